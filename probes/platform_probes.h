#pragma once
// The four platform status probes: each runs one command and reduces its
// answer to one status word, asking a second source where the command ran
// but said nothing it knows.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "probes/command_capture.h"

namespace quorven {

inline constexpr const char* kEnabled = "ENABLED";
inline constexpr const char* kDisabled = "DISABLED";
inline constexpr const char* kUnknown = "UNKNOWN";
inline constexpr const char* kUnavailable = "UNAVAILABLE";
inline constexpr const char* kUnsupported = "UNSUPPORTED";
inline constexpr const char* kError = "ERROR";

struct ProbeAnswer {
    std::string text;
    std::string word;
};

struct PlatformProbe {
    std::string command;
    std::vector<ProbeAnswer> matches;
    std::string fallbackWord;
    std::string startFailureWord;
    /// When set, asked for the word in place of fallbackWord: the command ran
    /// but answered none of the texts, or ran past its limit.
    std::function<std::string()> secondSource;
};

/// The probes in the order they run: Wi-Fi, Bluetooth, TPM, Secure Boot.
struct ProbeTable {
    PlatformProbe wifi, bluetooth, tpm, secureBoot;
};

/// The four probes' answers and words around this platform's commands.
ProbeTable probeTable(std::string wifi, std::string bluetooth, std::string tpm,
                      std::string secureBoot);
/// The PowerShell commands that Windows runs; tests read them here too.
ProbeTable windowsProbeTable();
/// PowerShell on Windows; on Linux, shell one-liners over sysfs that print
/// the same answers.
ProbeTable platformProbeTable();

/// What the probe's command is started with: standard output alone.
CommandRequest probeRequest(const PlatformProbe& probe);
/// The word of the command's capture, or the second source's when the
/// command ran but said nothing it knows. A command ended at its limit said
/// nothing, and a probe without a second source then gives its start-failure
/// word: the fallback would claim what nobody saw.
std::string probeWord(const PlatformProbe& probe, const Capture& capture);

/// UEFISecureBootEnabled as RegGetValueA reads it, restricted to REG_DWORD:
/// the call's result, the size it reported and the number it wrote.
struct RegistryDword {
    std::int32_t status = 0;
    std::uint32_t size = 0;
    std::uint32_t number = 0;
};

/// A REG_DWORD 1 or 0; anything else, or no value, is a PC without Secure
/// Boot.
std::string secureBootWordFromRegistry(const RegistryDword& value);

/// TBS_E_TPM_NOT_FOUND: Windows knows of no TPM that it can use.
inline constexpr std::uint32_t kTpmNotFound = 0x8028400F;
/// Tbsi_GetDeviceInfo's result; no value when tbs.dll or the function is
/// missing.
std::string tpmWordFromDeviceInfo(std::optional<std::uint32_t> result);

/// DOT11_RADIO_STATE, as the WLAN service reports each radio switch.
enum class RadioState : std::uint32_t { Unknown = 0, On = 1, Off = 2 };

/// One PHY of a wireless interface: its software switch (Wi-Fi on or off in
/// Windows, airplane mode) and its hardware switch.
struct WlanPhy {
    RadioState software = RadioState::Unknown;
    RadioState hardware = RadioState::Unknown;
};

struct WlanInterface {
    bool connected = false;
    /// No value when the radio state was not asked for or not given.
    std::optional<std::vector<WlanPhy>> phys;
};

/// The Wi-Fi word from the WLAN service's interfaces; no value when the
/// service could not be asked (no wlanapi.dll, a missing function, the
/// service not running).
std::string wifiWordFromWlan(const std::optional<std::vector<WlanInterface>>& interfaces);

}  // namespace quorven

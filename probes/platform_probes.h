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
    /// but answered none of the texts.
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

/// The word for a captured answer; no value means the command did not start.
std::string matchProbeAnswer(const PlatformProbe& probe, const std::optional<std::string>& output);

/// Runs the command and takes its word, or the second source's when the
/// answer holds no answer text.
std::string runProbe(const PlatformProbe& probe, CommandRunner& runner);

/// A registry value as RegQueryValueExA finds it; `number` holds its bytes
/// when they fit in four.
struct RegistryValue {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::uint32_t number = 0;
};

/// UEFISecureBootEnabled: a REG_DWORD 1 or 0; anything else, or no value,
/// is a PC without Secure Boot.
std::string secureBootWordFromRegistry(const std::optional<RegistryValue>& value);
/// Tbsi_GetDeviceInfo's result; no value when tbs.dll or the function is
/// missing.
std::string tpmWordFromDeviceInfo(std::optional<std::uint32_t> result);

}  // namespace quorven

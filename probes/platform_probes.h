#pragma once
// The four platform status probes: each runs one command and reduces its
// answer to one status word.

#include <array>
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

std::string runProbe(const PlatformProbe& probe, CommandRunner& runner);

}  // namespace quorven

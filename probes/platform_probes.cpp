#include "probes/platform_probes.h"

#include <algorithm>

namespace quorven {

ProbeTable probeTable(std::string wifi, std::string bluetooth, std::string tpm,
                      std::string secureBoot) {
    return ProbeTable{
        {std::move(wifi), {{"Up", kEnabled}, {"Down", kDisabled}}, kUnknown, kUnavailable},
        {std::move(bluetooth), {{"OK", kEnabled}}, kDisabled, kUnavailable},
        {std::move(tpm), {{"True", kEnabled}, {"False", kDisabled}}, kUnknown, kUnavailable},
        {std::move(secureBoot), {{"True", kEnabled}, {"False", kDisabled}}, kUnsupported, kError},
    };
}

ProbeTable windowsProbeTable() {
    return probeTable(
        "powershell -Command \"Get-NetAdapter | Where-Object { $_.InterfaceDescription -match "
        "'802.11n' } | Select-Object -ExpandProperty Status\"",
        "powershell -Command \"Get-PnpDevice -Class Bluetooth | Select-Object -ExpandProperty "
        "Status\"",
        "powershell -Command \"Get-TPM | Select-Object -ExpandProperty TpmEnabled\"",
        "powershell -Command \"Confirm-SecureBootUEFI\"");
}

std::string matchProbeAnswer(const PlatformProbe& probe, const std::optional<std::string>& output) {
    if (!output) return probe.startFailureWord;
    // Line by line: a machine with several Bluetooth devices or Wi-Fi
    // adapters answers once per device, and joined lines would match nothing.
    // Carriage returns go wherever they stand; empty lines count for nothing.
    std::vector<std::string> lines;
    for (std::string_view piece : splitLines(*output)) {
        std::string line(piece);
        std::erase(line, '\r');
        if (!line.empty()) lines.push_back(std::move(line));
    }
    for (const ProbeAnswer& answer : probe.matches) {
        if (std::find(lines.begin(), lines.end(), answer.text) != lines.end()) return answer.word;
    }
    return probe.fallbackWord;
}

std::string runProbe(const PlatformProbe& probe, CommandRunner& runner) {
    return matchProbeAnswer(probe, runner.readCommandStdout(probe.command));
}

}  // namespace quorven

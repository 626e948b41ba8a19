#include "probes/platform_probes.h"

#include <algorithm>

namespace quorven {
namespace {

ProbeTable withCommands(std::string wifi, std::string bluetooth, std::string tpm,
                        std::string secureBoot) {
    return ProbeTable{
        {std::move(wifi), {{"Up", kEnabled}, {"Down", kDisabled}}, kUnknown, kUnavailable},
        {std::move(bluetooth), {{"OK", kEnabled}}, kDisabled, kUnavailable},
        {std::move(tpm), {{"True", kEnabled}, {"False", kDisabled}}, kUnknown, kUnavailable},
        {std::move(secureBoot), {{"True", kEnabled}, {"False", kDisabled}}, kUnsupported, kError},
    };
}

// Splits at line feeds, drops carriage returns and skips empty lines.
std::vector<std::string> answerLines(const std::string& output) {
    std::vector<std::string> lines;
    std::string line;
    auto finish = [&] {
        if (!line.empty()) lines.push_back(std::move(line));
        line.clear();
    };
    for (char c : output) {
        if (c == '\n') {
            finish();
        } else if (c != '\r') {
            line += c;
        }
    }
    finish();
    return lines;
}

}  // namespace

ProbeTable windowsProbeTable() {
    return withCommands(
        "powershell -Command \"Get-NetAdapter | Where-Object { $_.InterfaceDescription -match "
        "'802.11n' } | Select-Object -ExpandProperty Status\"",
        "powershell -Command \"Get-PnpDevice -Class Bluetooth | Select-Object -ExpandProperty "
        "Status\"",
        "powershell -Command \"Get-TPM | Select-Object -ExpandProperty TpmEnabled\"",
        "powershell -Command \"Confirm-SecureBootUEFI\"");
}

ProbeTable posixProbeTable() {
    return withCommands(
        "for d in /sys/class/net/*; do [ -d \"$d/wireless\" ] || continue; "
        "if [ \"$(cat \"$d/operstate\" 2>/dev/null)\" = up ]; then echo Up; else echo Down; fi; "
        "done",
        "for d in /sys/class/bluetooth/hci*; do [ -e \"$d\" ] || continue; b=0; "
        "for s in \"$d\"/rfkill*/soft \"$d\"/rfkill*/hard; do "
        "[ \"$(cat \"$s\" 2>/dev/null)\" = 1 ] && b=1; done; "
        "if [ $b = 1 ]; then echo Error; else echo OK; fi; done",
        "if [ -e /sys/class/tpm/tpm0 ]; then echo True; else echo False; fi",
        "[ -d /sys/firmware/efi ] || exit 0; "
        "v=$(od -An -tu1 -j4 -N1 "
        "/sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c "
        "2>/dev/null | tr -d ' '); "
        "if [ \"$v\" = 1 ]; then echo True; else echo False; fi");
}

ProbeTable platformProbeTable() {
#ifdef _WIN32
    return windowsProbeTable();
#else
    return posixProbeTable();
#endif
}

std::string matchProbeAnswer(const PlatformProbe& probe, const std::optional<std::string>& output) {
    if (!output) return probe.startFailureWord;
    // Line by line: a machine with several Bluetooth devices or Wi-Fi
    // adapters answers once per device, and joined lines would match nothing.
    const std::vector<std::string> lines = answerLines(*output);
    for (const ProbeAnswer& answer : probe.matches) {
        if (std::find(lines.begin(), lines.end(), answer.text) != lines.end()) return answer.word;
    }
    return probe.fallbackWord;
}

std::string runProbe(const PlatformProbe& probe, CommandRunner& runner) {
    return matchProbeAnswer(probe, runner.readCommandStdout(probe.command));
}

}  // namespace quorven

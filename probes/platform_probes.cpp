#include "probes/platform_probes.h"

#include <algorithm>

namespace quorven {

ProbeTable probeTable(std::string wifi, std::string bluetooth, std::string tpm,
                      std::string secureBoot) {
    return ProbeTable{
        {std::move(wifi), {{"Up", kEnabled}, {"Down", kDisabled}}, kUnknown, kUnavailable, {}},
        {std::move(bluetooth), {{"OK", kEnabled}}, kDisabled, kUnavailable, {}},
        {std::move(tpm), {{"True", kEnabled}, {"False", kDisabled}}, kUnknown, kUnavailable, {}},
        {std::move(secureBoot),
         {{"True", kEnabled}, {"False", kDisabled}},
         kUnsupported,
         kError,
         {}},
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

namespace {

// Line by line: a machine with several Bluetooth devices or Wi-Fi adapters
// answers once per device, and joined lines would match nothing. Carriage
// returns go wherever they stand; empty lines count for nothing.
std::optional<std::string> findAnswer(const PlatformProbe& probe, std::string_view output) {
    std::vector<std::string> lines;
    for (std::string_view piece : splitLines(output)) {
        std::string line(piece);
        std::erase(line, '\r');
        if (!line.empty()) lines.push_back(std::move(line));
    }
    for (const ProbeAnswer& answer : probe.matches) {
        if (std::find(lines.begin(), lines.end(), answer.text) != lines.end()) return answer.word;
    }
    return std::nullopt;
}

}  // namespace

CommandRequest probeRequest(const PlatformProbe& probe) {
    return {probe.command, false};
}

std::string probeWord(const PlatformProbe& probe, const Capture& capture) {
    if (capture.outcome == Capture::PipeFailed || capture.outcome == Capture::NotStarted) {
        return probe.startFailureWord;
    }
    const bool read = capture.outcome == Capture::Read;
    if (read) {
        if (std::optional<std::string> word = findAnswer(probe, capture.text)) {
            return *std::move(word);
        }
    }
    if (probe.secondSource) return probe.secondSource();
    return read ? probe.fallbackWord : probe.startFailureWord;
}

std::string secureBootWordFromRegistry(const RegistryDword& value) {
    // Only a whole DWORD counts: the call succeeds for a shorter value too.
    if (value.status != 0 || value.size != 4) return kUnsupported;
    if (value.number == 1) return kEnabled;
    if (value.number == 0) return kDisabled;
    return kUnsupported;
}

std::string tpmWordFromDeviceInfo(std::optional<std::uint32_t> result) {
    if (result == 0u) return kEnabled;
    // No TPM that Windows can use: Get-Tpm reports TpmEnabled False then.
    if (result == kTpmNotFound) return kDisabled;
    return kUnknown;
}

std::string wifiWordFromWlan(const std::optional<std::vector<WlanInterface>>& interfaces) {
    if (!interfaces) return kUnknown;
    bool anyPhyRead = false;
    bool allOff = true;
    for (const WlanInterface& wlan : *interfaces) {
        if (wlan.connected) return kEnabled;
        if (!wlan.phys) continue;
        for (const WlanPhy& phy : *wlan.phys) {
            if (phy.software == RadioState::On && phy.hardware == RadioState::On) return kEnabled;
            anyPhyRead = true;
            // Either switch off keeps the radio silent: Wi-Fi turned off in
            // Windows, airplane mode, or a key on the keyboard.
            allOff = allOff && (phy.software == RadioState::Off || phy.hardware == RadioState::Off);
        }
    }
    return anyPhyRead && allOff ? kDisabled : kUnknown;
}

}  // namespace quorven

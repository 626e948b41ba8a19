// Answers the four status probes and the board query that replaces wmic,
// with CR LF line ends as PowerShell writes them. A probe's *_STDERR variable
// goes to standard error; with its *_HANGS variable set, the probe writes its
// answer and then never ends. With QUORVEN_FAKE_READ_STDIN set it first reads
// its standard input to the end, as a profile that prompts would, and logs
// how much it took. QUORVEN_FAKE_PROBE_DELAY_MS makes the four probes alone
// take that long, while the board query answers at once; a probe's *_DELAY_MS
// variable delays that probe alone. With QUORVEN_FAKE_PROBE_RELEASE set, the
// four probes answer only once that file exists, which the harness creates
// when it has seen the banner; QUORVEN_FAKE_BANNER, "<hex bytes> <file>",
// names the banner's first row and the run's standard output, and each
// probe, once released, logs whether that file held the row by then.
#include "fake_common.h"

namespace {

std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Whether `path` holds the bytes that `hex` spells.
bool fileHolds(const std::string& path, const std::string& hex) {
    std::string wanted;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        wanted += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    }
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) {
            text.append(buffer, got);
        }
        std::fclose(file);
    }
    return !wanted.empty() && fake::contains(text, wanted.c_str());
}

}  // namespace

int main() {
    fake::logCommandLine("powershell");
    if (!fake::env("QUORVEN_FAKE_READ_STDIN").empty()) {
        std::size_t total = 0;
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof(buffer), &got, nullptr) &&
               got != 0) {
            total += got;
        }
        fake::log("powershell read " + std::to_string(total) + " bytes of input");
    }
    fake::barrier("powershell");
    fake::delay();
    const std::string line = GetCommandLineA();
    struct Route {
        const char* marker;
        const char* variable;
    };
    const Route routes[] = {
        {"Get-NetAdapter", "QUORVEN_FAKE_WIFI"},
        {"Get-PnpDevice", "QUORVEN_FAKE_BLUETOOTH"},
        {"Get-TPM", "QUORVEN_FAKE_TPM"},
        {"Confirm-SecureBootUEFI", "QUORVEN_FAKE_SECUREBOOT"},
        {"Win32_BaseBoard).Manufacturer", "QUORVEN_FAKE_MANUFACTURER"},
        {"Win32_BaseBoard).Product", "QUORVEN_FAKE_PRODUCT"},
    };
    for (const Route& route : routes) {
        if (!fake::contains(line, route.marker)) continue;
        const bool probe = !fake::contains(route.marker, "BaseBoard");
        const std::string probeDelay = fake::env("QUORVEN_FAKE_PROBE_DELAY_MS");
        if (probe && !probeDelay.empty()) {
            Sleep(static_cast<DWORD>(std::strtoul(probeDelay.c_str(), nullptr, 10)));
        }
        // No bound of its own: a run that never releases it ends it at its limit.
        const std::string release = fake::env("QUORVEN_FAKE_PROBE_RELEASE");
        if (probe && !release.empty()) {
            fake::waitForFile(release);
            const std::string banner = fake::env("QUORVEN_FAKE_BANNER");
            const std::size_t blank = banner.find(' ');
            const bool shown = blank != std::string::npos &&
                               fileHolds(banner.substr(blank + 1), banner.substr(0, blank));
            fake::log(std::string("release: powershell saw ") +
                      (shown ? "the banner" : "no banner"));
        }
        const std::string ownDelay = fake::env((std::string(route.variable) + "_DELAY_MS").c_str());
        if (!ownDelay.empty()) Sleep(static_cast<DWORD>(std::strtoul(ownDelay.c_str(), nullptr, 10)));
        const std::string errors = fake::env((std::string(route.variable) + "_STDERR").c_str());
        if (!errors.empty()) fake::writeRaw(STD_ERROR_HANDLE, withCrLf(errors));
        bool present = false;
        const std::string value = fake::env(route.variable, &present);
        if (fake::contains(route.marker, "BaseBoard")) {
            // The replacement query prints its own header line first.
            const std::string header =
                fake::contains(route.marker, "Product") ? "Product" : "Manufacturer";
            fake::writeRaw(STD_OUTPUT_HANDLE,
                           withCrLf(header + "\n" + (present ? value + "\n" : "")));
        } else if (present) {
            fake::writeRaw(STD_OUTPUT_HANDLE, withCrLf(value));
        }
        if (!fake::env((std::string(route.variable) + "_HANGS").c_str()).empty()) Sleep(INFINITE);
        return 0;
    }
    return 1;
}

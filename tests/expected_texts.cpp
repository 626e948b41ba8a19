// Prints, as one JSON object, the texts that the Wine scenarios expect and
// must not copy: the Windows command lines, the banner and the two boxes.
#include <cstdio>
#include <string>
#include <string_view>

#include "console/console_presenter.h"
#include "probes/board_identity.h"
#include "probes/platform_probes.h"

namespace {

// Bytes from 0x80 up pass unchanged: the banner is UTF-8 already.
std::string json(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

int main() {
    using namespace quorven;
    const ProbeTable probes = windowsProbeTable();
    const BoardCommands wmic = windowsBoardCommands(true);
    const BoardCommands powerShell = windowsBoardCommands(false);
    const std::pair<const char*, std::string_view> texts[] = {
        {"wifi", probes.wifi.command},
        {"bluetooth", probes.bluetooth.command},
        {"tpm", probes.tpm.command},
        {"secure_boot", probes.secureBoot.command},
        {"wmic_manufacturer", wmic.manufacturer},
        {"wmic_product", wmic.product},
        {"powershell_manufacturer", powerShell.manufacturer},
        {"powershell_product", powerShell.product},
        {"resize_fallback", kResizeFallbackCommand},
        {"banner", bannerText()},
        {"green_box", verdictBoxText(true)},
        {"red_box", verdictBoxText(false)},
    };
    std::string out = "{";
    for (const auto& [name, text] : texts) {
        if (out.size() > 1) out += ",\n ";
        out += json(name) + ": " + json(text);
    }
    std::fputs((out + "}\n").c_str(), stdout);
    return 0;
}

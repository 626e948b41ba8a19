#include "probes/board_identity.h"

#include <vector>

namespace quorven {
namespace {

std::string powerShellBoardQuery(std::string_view property) {
    std::string command = "powershell -NoProfile -Command \"'";
    command += property;
    command += "'; (Get-CimInstance Win32_BaseBoard).";
    command += property;
    command += '"';
    return command;
}

}  // namespace

BoardCommands windowsBoardCommands(bool wmicPresent) {
    if (wmicPresent) return {"wmic baseboard get manufacturer", "wmic baseboard get product"};
    return {powerShellBoardQuery("Manufacturer"), powerShellBoardQuery("Product")};
}

void trimBlanks(std::string& text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    text = text.substr(first, last - first + 1);
}

std::string parseManufacturer(std::string_view capture) {
    const std::vector<std::string_view> lines = splitLines(capture);
    if (lines.size() < 2) return {};
    std::string line(lines[1]);
    trimBlanks(line);
    return line;
}

std::string parseProduct(std::string_view capture) {
    for (std::string_view piece : splitLines(capture)) {
        std::string line(piece);
        trimBlanks(line);
        if (!line.empty() && line != "Product") return line;
    }
    return {};
}

CommandRequest boardRequest(const std::string& command) {
    return {command, true};
}

}  // namespace quorven

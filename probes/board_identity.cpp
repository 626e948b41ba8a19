#include "probes/board_identity.h"

#include <string_view>

namespace quorven {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// Reads the capture one line at a time; a line ends at a line feed, which is
// not part of it.
class LineReader {
  public:
    explicit LineReader(const std::string& text) : text_(text) {}
    bool next(std::string& line) {
        if (position_ >= text_.size()) return false;
        const std::size_t end = text_.find('\n', position_);
        if (end == std::string::npos) {
            line = text_.substr(position_);
            position_ = text_.size();
        } else {
            line = text_.substr(position_, end - position_);
            position_ = end + 1;
        }
        return true;
    }

  private:
    const std::string& text_;
    std::size_t position_ = 0;
};

std::string powerShellBoardQuery(std::string_view header, std::string_view property) {
    std::string command = "powershell -NoProfile -Command \"'";
    command += header;
    command += "'; (Get-CimInstance Win32_BaseBoard).";
    command += property;
    command += '"';
    return command;
}

std::string dmiFileQuery(std::string_view header, std::string_view file) {
    std::string command = "echo ";
    command += header;
    command += "; cat /sys/class/dmi/id/";
    command += file;
    command += " 2>/dev/null";
    return command;
}

}  // namespace

BoardCommands windowsBoardCommands(bool wmicPresent) {
    if (wmicPresent) return {"wmic baseboard get manufacturer", "wmic baseboard get product"};
    return {powerShellBoardQuery("Manufacturer", "Manufacturer"),
            powerShellBoardQuery("Product", "Product")};
}

BoardCommands posixBoardCommands() {
    return {dmiFileQuery("Manufacturer", "board_vendor"), dmiFileQuery("Product", "board_name")};
}

void trimBlanks(std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        text.clear();
        return;
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    text = text.substr(first, last - first + 1);
}

std::string parseManufacturer(const std::string& capture) {
    LineReader lines(capture);
    std::string line;
    if (!lines.next(line) || !lines.next(line)) return {};
    trimBlanks(line);
    return line;
}

std::string parseProduct(const std::string& capture) {
    LineReader lines(capture);
    std::string line;
    while (lines.next(line)) {
        trimBlanks(line);
        if (!line.empty() && line != "Product") return line;
    }
    return {};
}

std::string readBoardManufacturer(CommandRunner& runner, const BoardCommands& commands) {
    return parseManufacturer(runner.runHiddenCommand(commands.manufacturer));
}

std::string readBoardProduct(CommandRunner& runner, const BoardCommands& commands) {
    return parseProduct(runner.runHiddenCommand(commands.product));
}

}  // namespace quorven

#include "probes/board_identity.h"

namespace quorven {
namespace {

// A header line, then the file, as wmic prints a header and the value.
std::string dmiFileQuery(std::string_view header, std::string_view file) {
    std::string command = "echo ";
    command += header;
    command += "; cat /sys/class/dmi/id/";
    command += file;
    command += " 2>/dev/null";
    return command;
}

}  // namespace

BoardCommands platformBoardCommands() {
    return {dmiFileQuery("Manufacturer", "board_vendor"), dmiFileQuery("Product", "board_name")};
}

}  // namespace quorven

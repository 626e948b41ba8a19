#pragma once
// Names the motherboard's maker and product from one line of command output.

#include <string>
#include <string_view>

#include "probes/command_capture.h"

namespace quorven {

/// The two commands that print a header line, then the value.
struct BoardCommands {
    std::string manufacturer;
    std::string product;
};

/// wmic where it exists; a PowerShell query of the same class, printing the
/// same shape, where Windows has dropped wmic. Tests read them here too.
BoardCommands windowsBoardCommands(bool wmicPresent);
/// Windows' commands for this PC; on Linux, the DMI files under sysfs.
BoardCommands platformBoardCommands();

/// Removes spaces, tabs, carriage returns and line feeds from both ends.
void trimBlanks(std::string& text);

/// The second line of the capture, trimmed; blank lines are not skipped.
std::string parseManufacturer(std::string_view capture);
/// The first trimmed line that is neither blank nor the header "Product".
std::string parseProduct(std::string_view capture);

/// What each query is started with: its standard error goes into the text
/// and through the same line rules.
CommandRequest boardRequest(const std::string& command);

}  // namespace quorven

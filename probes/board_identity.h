#pragma once
// Names the motherboard's maker and product from one line of command output.

#include <string>

#include "probes/command_capture.h"

namespace quorven {

struct BoardIdentity {
    std::string manufacturer;
    std::string product;
};

/// The two commands that print a header line, then the value.
struct BoardCommands {
    std::string manufacturer;
    std::string product;
};

/// wmic where it exists; a PowerShell query of the same class, printing the
/// same shape, where Windows has dropped wmic.
BoardCommands windowsBoardCommands(bool wmicPresent);
/// Reads the DMI files that Linux exposes under sysfs.
BoardCommands posixBoardCommands();

/// Removes spaces, tabs, carriage returns and line feeds from both ends.
void trimBlanks(std::string& text);

/// The second line of the capture, trimmed; blank lines are not skipped.
std::string parseManufacturer(const std::string& capture);
/// The first trimmed line that is neither blank nor the header "Product".
std::string parseProduct(const std::string& capture);

std::string readBoardManufacturer(CommandRunner& runner, const BoardCommands& commands);
std::string readBoardProduct(CommandRunner& runner, const BoardCommands& commands);

}  // namespace quorven

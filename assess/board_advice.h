#pragma once
// Advice for the motherboard's maker: which button to use, or a ticket.

#include <array>
#include <string>
#include <string_view>

#include "console/terminal_io.h"
#include "probes/board_identity.h"

namespace quorven {

/// Chipsets whose ASUS boards take the EFI button.
inline constexpr std::array<std::string_view, 15> EfiButtonChipsets = {
    "B650", "X670", "X870", "Z890", "Z790", "B860", "B760", "H810",
    "H670", "B660", "Z590", "Z690", "A620", "H510", "B560"};

/// True when the product contains one of EfiButtonChipsets, case-sensitively.
bool needsEfiButton(std::string_view product);

/// Writes the vendor advice with its pauses; reads the product itself, and
/// only for an ASUS board.
void adviseOnBoard(const std::string& manufacturer, Output& out, Pauser& pauser,
                   CommandRunner& runner, const BoardCommands& commands);

}  // namespace quorven

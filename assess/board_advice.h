#pragma once
// Advice for the motherboard's maker, as data: which button to use, or a
// ticket, with the pauses that pace it.

#include <array>
#include <string_view>
#include <vector>

namespace quorven {

/// Chipsets whose ASUS boards take the EFI button.
inline constexpr std::array<std::string_view, 15> EfiButtonChipsets = {
    "B650", "X670", "X870", "Z890", "Z790", "B860", "B760", "H810",
    "H670", "B660", "Z590", "Z690", "A620", "H510", "B560"};

/// True when the product contains one of EfiButtonChipsets, case-sensitively.
bool needsEfiButton(std::string_view product);

/// A text to write and the pause that follows it; an empty text is a pause
/// alone, and 0 ms no pause.
struct AdviceStep {
    std::string_view text;
    unsigned pauseMs = 0;
    bool operator==(const AdviceStep&) const = default;
};
using BoardAdvice = std::vector<AdviceStep>;

/// Only an ASUS board's advice depends on its product.
bool adviceNeedsProduct(std::string_view manufacturer);

/// The advice for a manufacturer matched byte for byte; `product` is read
/// only for ASUS. The last text never ends the line: the next one does.
BoardAdvice adviseOnBoard(std::string_view manufacturer, std::string_view product);

}  // namespace quorven

#pragma once
// The board's chipset, known from its PCI functions.

#include <optional>
#include <vector>

#include "assess/raid_assessment.h"
#include "probes/pci_functions.h"

namespace quorven {

/// What the run knows of the board from one listing of its PCI functions.
struct BoardFacts {
    /// In the order the system lists them.
    std::vector<PciFunction> functions;
    std::optional<Chipset> chipset;
};

BoardFacts boardFacts(std::vector<PciFunction> functions);

/// The first ISA/LPC bridge (class 06 01) made by Intel or AMD, passing over
/// the ones that hypervisors emulate; where that is Intel's, the first Intel
/// bridge in the table wins over any that is not. No value when there is none.
std::optional<Chipset> findChipset(const std::vector<PciFunction>& functions);

}  // namespace quorven

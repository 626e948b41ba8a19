#pragma once
// The Linux PCI listing, open to its tests.

#include <string>
#include <vector>

#include "probes/pci_functions.h"

namespace quorven {

/// Every function under `root`/bus/pci/devices, sorted by address; a
/// function whose vendor, device or class cannot be read is left out.
std::vector<PciFunction> listSysfsPciFunctions(const std::string& root);

}  // namespace quorven

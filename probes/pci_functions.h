#pragma once
// The machine's present PCI functions: what names the chipset and the disk
// controllers. Any user may read them, and reading changes nothing.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorven {

struct PciFunction {
    std::uint16_t vendor = 0;
    std::uint16_t device = 0;
    /// Base class, subclass and programming interface: 0x060100 is an
    /// ISA/LPC bridge, 0x010601 an AHCI controller. 0 when unknown.
    std::uint32_t classCode = 0;
    /// Its driver's service (Windows) or driver (Linux); empty when none.
    std::string service;
    bool operator==(const PciFunction&) const = default;
};

/// A function as Windows names it: "PCI\VEN_8086&DEV_A308&SUBSYS_...&REV_10"
/// among the hardware IDs, "PCI\CC_060100" among the compatible ones. The
/// class comes from the first six-digit CC_ form, else from a four-digit one
/// with programming interface 0; IDs of other buses are passed over.
PciFunction pciFunctionFromIds(const std::vector<std::string>& hardwareIds,
                               const std::vector<std::string>& compatibleIds, std::string service);

class PciLister {
  public:
    virtual ~PciLister() = default;
    /// In the order the system lists them; empty when they cannot be read.
    virtual std::vector<PciFunction> listPciFunctions() = 0;
};

/// Reads on a thread of its own from the moment it is made, so that the
/// listing is ready by the time a run asks for it; reads on the asking
/// thread where no thread can be had.
std::unique_ptr<PciLister> makeReadAheadPciLister(std::function<std::vector<PciFunction>()> read);

/// SetupAPI's PCI enumerator on Windows; /sys/bus/pci on Linux.
std::unique_ptr<PciLister> makePciLister();

}  // namespace quorven

#pragma once
// The report's block on what building an array costs: the data on the disks
// that go into it, and a Windows that may not start once the controller is
// switched from AHCI to RAID.

#include <optional>
#include <string>
#include <vector>

#include "assess/raid_assessment.h"
#include "probes/disk_layout.h"
#include "probes/pci_functions.h"

namespace quorven {

enum class ControllerMode { Raid, Ahci };

struct ControllerFinding {
    ControllerMode mode = ControllerMode::Ahci;
    /// The service of the first controller, in the given order, in that mode.
    std::string service;
    bool operator==(const ControllerFinding&) const = default;
};

/// RAID when any PCI function is a controller in RAID mode (class 01 04, or
/// a RAID driver's service), else AHCI when any is an AHCI one (class
/// 01 06 01); no value when none is either.
std::optional<ControllerFinding> findControllerMode(const std::vector<PciFunction>& functions);

struct DiskHoldings {
    /// The drive letters of the volumes on it, as "C:", in alphabetical order.
    std::vector<std::string> letters;
    /// One of them is the letter of the Windows folder.
    bool holdsWindows = false;
    bool operator==(const DiskHoldings&) const = default;
};

/// One per entry of layout.diskNumbers, in that order.
std::vector<DiskHoldings> diskHoldings(const DiskLayout& layout);

/// The block's lines, each ended by a line feed, the first after an empty
/// line; empty when there is no fact to show. What a RAID 0 would hold shows
/// only when the verdict says one of `disks` can be built.
std::string beforeBuildText(const std::vector<DiskRecord>& disks, const RaidVerdict& verdict,
                            const DiskLayout& layout, const std::vector<PciFunction>& functions);

}  // namespace quorven

#pragma once
// What the disks hold, as Windows tells an ordinary user: the raw facts
// behind the report's warnings before an array is built. Reading them
// changes nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

struct VolumeFacts {
    /// Where the volume is mounted, as Windows writes it: "C:\" for a drive
    /// letter, a folder path for a mount point.
    std::vector<std::string> pathNames;
    /// The number of the disk under each of its extents.
    std::vector<std::uint32_t> diskNumbers;
    bool operator==(const VolumeFacts&) const = default;
};

struct DiskLayout {
    /// One per inventory disk, in its order; no value where the disk could
    /// not be asked.
    std::vector<std::optional<std::uint32_t>> diskNumbers;
    std::vector<VolumeFacts> volumes;
    /// Where Windows lives, such as "C:\Windows"; empty when unknown.
    std::string windowsFolder;
    bool operator==(const DiskLayout&) const = default;
};

class DiskLayoutReader {
  public:
    virtual ~DiskLayoutReader() = default;
    /// Whatever can be learnt about the inventory's disks; a disk or volume
    /// that cannot be asked is left out, never an error.
    virtual DiskLayout readLayout(const std::vector<DiskRecord>& disks) = 0;
};

/// The disk and volume calls on Windows; on Linux a stand-in that knows
/// nothing.
std::unique_ptr<DiskLayoutReader> makeDiskLayoutReader();

}  // namespace quorven

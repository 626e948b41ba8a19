#pragma once
// Can this computer build a RAID 0 array? The CPU answer, the disk counts,
// the chipset and the rule table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

enum class CpuVendor : std::int32_t { Intel = 1, Amd = 2 };

enum class ChipsetRaid { Yes, No, Unknown };

/// The board's chipset, as its LPC/eSPI bridge names it.
struct Chipset {
    CpuVendor maker = CpuVendor::Intel;
    /// "Intel B360"; "Intel" for an Intel bridge not in the table, "AMD" for
    /// any AMD one.
    std::string name;
    /// Whether a public source says this chipset has RAID.
    ChipsetRaid raid = ChipsetRaid::Unknown;
    bool operator==(const Chipset&) const = default;
};

struct DiskCounts {
    std::uint64_t total = 0;
    std::int32_t sataCount = 0;
    std::int32_t nvmeCount = 0;
    bool anySata = false;
    bool anyNvme = false;
    /// A RAID volume is in `total` only: it is neither SATA nor NVMe.
    bool anyRaidVolume = false;
    /// So is a virtual machine's disk.
    bool anyVirtual = false;
    bool operator==(const DiskCounts&) const = default;
};

struct RaidVerdict {
    bool supported = false;
    std::string reason;
    /// The board itself has no RAID: a virtual machine's, or a chipset's
    /// without it. The report's support lines then say "No".
    bool boardHasNoRaid = false;
    bool operator==(const RaidVerdict&) const = default;
};

/// strtol's reading of a decimal answer: leading white space, one sign, the
/// longest run of digits, anything after ignored. No value when there is no
/// digit or the number leaves the signed 32-bit range.
std::optional<std::int32_t> parseCpuAnswer(std::string_view line);

/// 1 is Intel and 2 AMD; no value for any other answer.
std::optional<CpuVendor> cpuVendorFromAnswer(std::string_view line);

DiskCounts countDisks(const std::vector<DiskRecord>& disks);

/// The first row that holds: a virtual machine's disks, an array already in
/// use, a chipset known to lack RAID, then the rows of `cpu`.
RaidVerdict assessRaid0(CpuVendor cpu, const DiskCounts& counts,
                        const std::optional<Chipset>& chipset = std::nullopt);

/// The line that tells the user the chipset's maker overrules the answer.
std::string chipsetMakerLine(CpuVendor maker);

}  // namespace quorven

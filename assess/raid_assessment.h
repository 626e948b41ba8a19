#pragma once
// Can this computer build a RAID 0 array? The CPU answer, the disk counts and
// the rule table.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

enum class CpuVendor : std::int32_t { Intel = 1, Amd = 2 };

struct DiskCounts {
    std::uint64_t total = 0;
    std::int32_t sataCount = 0;
    std::int32_t nvmeCount = 0;
    bool anySata = false;
    bool anyNvme = false;
    /// A RAID volume is in `total` only: it is neither SATA nor NVMe.
    bool anyRaidVolume = false;
    bool operator==(const DiskCounts&) const = default;
};

struct RaidVerdict {
    bool supported = false;
    std::string_view reason;
    bool operator==(const RaidVerdict&) const = default;
};

/// strtol's reading of a decimal answer: leading white space, one sign, the
/// longest run of digits, anything after ignored. No value when there is no
/// digit or the number leaves the signed 32-bit range.
std::optional<std::int32_t> parseCpuAnswer(std::string_view line);

/// 1 is Intel and 2 AMD; no value for any other answer.
std::optional<CpuVendor> cpuVendorFromAnswer(std::string_view line);

DiskCounts countDisks(const std::vector<DiskRecord>& disks);

RaidVerdict assessRaid0(CpuVendor cpu, const DiskCounts& counts);

}  // namespace quorven

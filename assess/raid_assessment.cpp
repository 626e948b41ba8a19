#include "assess/raid_assessment.h"

#include <algorithm>
#include <limits>

namespace quorven {
namespace {

// The white space of the C locale's isspace.
bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::optional<std::int32_t> parseCpuAnswer(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && isCSpace(line[i])) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    // Held as a magnitude that stops growing past the range, so that any
    // number of digits is read without overflow.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        if (magnitude <= kLimit) magnitude = magnitude * 10 + (line[i] - '0');
        ++i;
    }
    if (i == firstDigit) return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<CpuVendor> cpuVendorFromAnswer(std::string_view line) {
    const std::optional<std::int32_t> answer = parseCpuAnswer(line);
    if (answer == 1) return CpuVendor::Intel;
    if (answer == 2) return CpuVendor::Amd;
    return std::nullopt;
}

DiskCounts countDisks(const std::vector<DiskRecord>& disks) {
    DiskCounts counts;
    counts.total = disks.size();
    for (const DiskRecord& disk : disks) {
        if (disk.isSata != 0) ++counts.sataCount;
        if (disk.isNvme != 0) ++counts.nvmeCount;
    }
    counts.anySata = counts.sataCount > 0;
    counts.anyNvme = counts.nvmeCount > 0;
    counts.anyRaidVolume = std::any_of(
        disks.begin(), disks.end(), [](const DiskRecord& disk) { return disk.isRaidVolume != 0; });
    counts.anyVirtual = std::any_of(disks.begin(), disks.end(),
                                    [](const DiskRecord& disk) { return disk.isVirtual != 0; });
    return counts;
}

RaidVerdict assessRaid0(CpuVendor cpu, const DiskCounts& c, const std::optional<Chipset>& chipset) {
    // No virtual firmware builds an array, whatever the disks beside it.
    if (c.anyVirtual) {
        return {false,
                "[+] This is a virtual machine: its disks are virtual, and no board RAID can "
                "build RAID 0 from them.",
                true};
    }
    // An array in use shows that the board's RAID is on, whatever else is
    // plugged in; on AMD the other rows would find no SATA or NVMe disk
    // beside it at all.
    if (c.anyRaidVolume) {
        return {true,
                "[+] Your disks already sit behind your board's RAID controller, so it can build "
                "RAID 0."};
    }
    // Below an array that runs: that proves the board's RAID, whatever a
    // table says.
    if (chipset && chipset->raid == ChipsetRaid::No) {
        return {false,
                "[+] Your board's " + chipset->name +
                    " chipset has no RAID, so it cannot build RAID 0.",
                true};
    }
    if (cpu == CpuVendor::Amd) {
        if (c.anyNvme) {
            return {true,
                    "[+] AMD systems can create RAID with just one NVMe disk, and your motherboard "
                    "supports NVMe RAID."};
        }
        if (c.anySata) {
            return {true,
                    "[+] AMD systems can create RAID with just one SATA disk, and your motherboard "
                    "supports SATA RAID."};
        }
        return {false, "[+] No compatible disks or RAID support detected."};
    }
    if (c.total < 2) return {false, "[+] You need at least 2 disks for RAID 0."};
    if (c.sataCount >= 2 && c.nvmeCount >= 2) {
        return {true,
                "[+] You have multiple SATA and NVMe disks, and your motherboard supports both "
                "SATA and NVMe RAID."};
    }
    if (c.sataCount >= 2 && c.nvmeCount >= 1) {
        return {false,
                "[+] You have mixed SATA and NVMe disks. You need to unplug your NVMe disk(s) to "
                "RAID your SATA disks."};
    }
    if (c.sataCount >= 2) {
        return {true, "[+] You have multiple SATA disks and your motherboard supports SATA RAID."};
    }
    if (c.nvmeCount >= 2 && c.sataCount >= 1) {
        return {false,
                "[+] You have mixed NVMe and SATA disks. You need to unplug your SATA disk(s) to "
                "RAID your NVMe disks."};
    }
    if (c.nvmeCount >= 2) {
        return {true, "[+] You have multiple NVMe disks and your motherboard supports NVMe RAID."};
    }
    return {false, "[+] You need at least 2 disks of the same interface type for RAID 0."};
}

std::string chipsetMakerLine(CpuVendor maker) {
    const std::string name = maker == CpuVendor::Intel ? "Intel" : "AMD";
    return "[!] This PC's chipset is made by " + name + ", so the " + name + " rules apply.";
}

}  // namespace quorven

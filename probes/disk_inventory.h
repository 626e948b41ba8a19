#pragma once
// Lists the physical disks, each marked NVMe or SATA.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorven {

struct DiskRecord {
    std::string deviceId;
    std::string model;
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    bool operator==(const DiskRecord&) const = default;
};

struct DiskClass {
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    bool operator==(const DiskClass&) const = default;
};

/// NVMe when "nvme" occurs in either text, compared without ASCII case;
/// SATA otherwise.
DiskClass classifyDisk(std::string_view pnpDeviceId, std::string_view model);

struct DiskInventory {
    /// In enumeration order; empty when none was found or the listing failed.
    std::vector<DiskRecord> disks;
    /// The message of the step that failed, for standard error; else empty.
    std::string failure;
    bool operator==(const DiskInventory&) const = default;
};

class DiskLister {
  public:
    virtual ~DiskLister() = default;
    virtual DiskInventory listDisks() = 0;
};

/// WMI's Win32_DiskDrive on Windows; the block devices under /sys on Linux.
std::unique_ptr<DiskLister> makeDiskLister();

}  // namespace quorven

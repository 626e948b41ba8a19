#pragma once
// Lists the physical disks, each marked NVMe or SATA.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

/// STORAGE_BUS_TYPE: the bus a drive itself says it hangs on. Only the
/// outside buses are named; SATA is 0xB, RAID 0x8, NVMe 0x11.
enum class BusType : std::uint32_t {
    Ieee1394 = 0x4,
    Usb = 0x7,
    Sd = 0xC,
    Mmc = 0xD,
};

/// Asks a drive for its bus; no value when it cannot be read.
using BusTypeQuery = std::function<std::optional<BusType>()>;

/// Whether a drive can never join the board's array: one on USB or
/// FireWire, a removable one, or an "External" one whose own bus is USB,
/// FireWire, SD or MMC. The bus is asked for only in that last case.
bool isOutsideDrive(std::string_view interfaceType, std::string_view mediaType,
                    const BusTypeQuery& busType);

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
/// Either way without the drives that isOutsideDrive leaves out.
std::unique_ptr<DiskLister> makeDiskLister();

}  // namespace quorven

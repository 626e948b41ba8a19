#pragma once
// Lists the physical disks, each marked NVMe, SATA, an existing RAID volume
// or a virtual machine's disk.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorven {

/// Exactly one of the four flags is 1.
struct DiskRecord {
    std::string deviceId;
    std::string model;
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    /// An array the board's RAID already shows to Windows as one disk.
    std::int32_t isRaidVolume = 0;
    /// A disk of a virtual machine's emulated controller.
    std::int32_t isVirtual = 0;
    /// 0 where the system does not say.
    std::uint64_t sizeBytes = 0;
    bool operator==(const DiskRecord&) const = default;
};

struct DiskClass {
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    std::int32_t isRaidVolume = 0;
    std::int32_t isVirtual = 0;
    bool operator==(const DiskClass&) const = default;
};

inline DiskRecord diskRecord(std::string deviceId, std::string model, const DiskClass& kind,
                             std::uint64_t sizeBytes = 0) {
    return {std::move(deviceId), std::move(model), kind.isSata, kind.isNvme,
            kind.isRaidVolume,   kind.isVirtual,   sizeBytes};
}

/// The number that a text of decimal digits spells; 0 for any other text,
/// and for one beyond 64 bits.
std::uint64_t parseDiskSize(std::string_view digits);

/// STORAGE_BUS_TYPE as <winioctl.h> numbers it: the bus a drive itself says
/// it hangs on. SATA is 0xB; only the values some rule reads are named.
enum class BusType : std::uint32_t {
    Ieee1394 = 0x4,
    Usb = 0x7,
    Raid = 0x8,
    Sd = 0xC,
    Mmc = 0xD,
    Virtual = 0xE,
    FileBackedVirtual = 0xF,
    Nvme = 0x11,
};

/// A RAID volume when the texts name an Intel or AMD array; else a virtual
/// disk when either text names a hypervisor's or a cloud's disk (ASCII case
/// ignored); else NVMe when "nvme" occurs in either text or the drive's own
/// bus is NVMe; SATA otherwise. `bus` has no value when it could not be read.
DiskClass classifyDisk(std::string_view pnpDeviceId, std::string_view model,
                       std::optional<BusType> bus = std::nullopt);

/// Whether a drive can never join the board's array: one on USB or
/// FireWire, a removable one, an "External" one whose own bus is USB,
/// FireWire, SD or MMC, or a virtual disk (an attached VHD).
bool isOutsideDrive(std::string_view interfaceType, std::string_view mediaType,
                    std::optional<BusType> bus);

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

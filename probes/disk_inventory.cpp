#include "probes/disk_inventory.h"

#include <charconv>
#include <system_error>

namespace quorven {
namespace {

// Lowers A to Z only, as tolower does in the "C" locale; bytes of UTF-8
// sequences stay as they are.
std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// "raid " + digits + " volume" anywhere: Intel's "Intel Raid 0 Volume" and
// its levels 1, 5 and 10, for a PNPDeviceID that does not say it.
bool namesRaidLevelVolume(std::string_view model) {
    for (std::size_t at = model.find("raid "); at != std::string_view::npos;
         at = model.find("raid ", at + 1)) {
        std::string_view rest = model.substr(at + 5);
        const std::size_t digits = rest.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos) continue;
        if (rest.substr(digits).starts_with(" volume")) return true;
    }
    return false;
}

// The firmware's RAID driver shows each array as one disk and hides its
// members, from Windows and so from us. AMD also shows a disk that is in no
// array as a "legacy" array of its own; either way the board's RAID is on.
bool isRaidVolume(std::string_view pnp, std::string_view model) {
    return contains(pnp, "ven_intel&prod_raid_") || namesRaidLevelVolume(model) ||
           contains(pnp, "ven_amd-raid") || model.starts_with("amd-raid array");
}

// The disks that hypervisors and clouds emulate, as their PNPDeviceIDs and
// models name them in real listings, lowered. The same list serves Linux,
// where the "PNPDeviceID" is the sysfs path and the model is the vendor and
// model joined.
constexpr std::string_view kVirtualDiskTexts[] = {
    // PNPDeviceIDs: VirtualBox, VMware (its NVMe disk too), QEMU, KVM's
    // virtio, the IDE forms of Hyper-V generation 1 and the others, and
    // AWS's Xen-era EBS volume.
    "ven_vbox", "ven_vmware", "ven_qemu", "ven_red_hat&prod_virtio", "prod_vmware_virtual",
    "orcl-vbox", "ide\\diskvirtual_hd", "ide\\diskqemu_", "ide\\diskvbox_", "ide\\diskvmware_",
    "ven_aws&prod_pvdisk",
    // Models, the clouds' among them. Under Microsoft's NVMe driver an EBS
    // volume's "Amazon Elastic Block Store" is cut to the 16 characters of a
    // SCSI product name behind the vendor "NVMe"; instance storage is "NVMe
    // Amazon EC2 NVMe" there and "Amazon EC2 NVMe Instance Storage" on Linux.
    "qemu harddisk", "qemu nvme ctrl", "vbox harddisk", "vmware virtual", "red hat virtio",
    "virtual_disk nvme", "amazon elastic block store", "nvme amazon elastic b", "amazon ec2 nvme",
    "aws pvdisk", "xensrc pvdisk", "google persistentdisk"};

bool isVirtualDisk(std::string_view pnp, std::string_view model, std::optional<BusType> bus) {
    for (std::string_view text : kVirtualDiskTexts) {
        if (contains(pnp, text) || contains(model, text)) return true;
    }
    // Hyper-V's and Azure's disks share these texts with a VHD attached on a
    // real PC; only the bus tells them apart, and a drive that cannot be
    // asked stays what it was.
    if (!contains(pnp, "ven_msft&prod_virtual_disk") && !contains(model, "msft virtual disk")) {
        return false;
    }
    return bus.has_value() && bus != BusType::Virtual && bus != BusType::FileBackedVirtual;
}

}  // namespace

DiskClass classifyDisk(std::string_view pnpDeviceId, std::string_view model,
                       std::optional<BusType> bus) {
    const std::string pnp = lowered(pnpDeviceId);
    const std::string name = lowered(model);
    if (isRaidVolume(pnp, name)) return {0, 0, 1, 0};
    // Before NVMe: QEMU, VMware and Azure emulate NVMe disks too, and no
    // virtual firmware builds an array from any of them.
    if (isVirtualDisk(pnp, name, bus)) return {0, 0, 0, 1};
    // Microsoft's and Intel's VMD drivers write "NVMe" into the vendor field,
    // other vendors' drivers their own name; the bus says NVMe under any of
    // them. Bus RAID says nothing of the drive: VMD, RST in RAID mode and
    // AMD RAID report it for every disk behind them.
    if (contains(pnp, "nvme") || contains(name, "nvme") || bus == BusType::Nvme) {
        return {0, 1, 0, 0};
    }
    return {1, 0, 0, 0};
}

std::uint64_t parseDiskSize(std::string_view digits) {
    // No sign, no blank, nothing after the digits: a size that does not fit
    // in 64 bits is as unknown as one that is not a number.
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc{} && end == digits.data() + digits.size() ? value : 0;
}

bool isOutsideDrive(std::string_view interfaceType, std::string_view mediaType,
                    std::optional<BusType> bus) {
    // An attached VHD or VHDX, which no firmware array can hold. Only the bus
    // tells: "Msft Virtual Disk" is also the real disk of a Hyper-V guest.
    if (bus == BusType::Virtual || bus == BusType::FileBackedVirtual) return true;
    if (interfaceType == "USB" || interfaceType == "1394") return true;
    // "Removable Media" from Windows, "Removable media other than floppy"
    // in its documentation, "Removable media" from Wine.
    const std::string media = lowered(mediaType);
    if (media.starts_with("removable")) return true;
    // USB enclosures speak SCSI to Windows and say only "External"; so may an
    // internal disk on a hot-plug or eSATA port, which can join the array.
    // Only the drive's own bus tells them apart, and a drive that cannot be
    // asked is kept.
    if (!media.starts_with("external")) return false;
    return bus == BusType::Usb || bus == BusType::Ieee1394 || bus == BusType::Sd ||
           bus == BusType::Mmc;
}

}  // namespace quorven

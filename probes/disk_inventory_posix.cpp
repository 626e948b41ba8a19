// The Linux stand-in for WMI's disk list: the block devices under sysfs.
#include "probes/disk_inventory_posix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>
#include <system_error>

namespace quorven {
namespace {

namespace fs = std::filesystem;

bool isUnder(const fs::path& path, const fs::path& folder) {
    auto [folderEnd, pathAt] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end();
}

std::string readAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return cleanSysfsModel(std::move(raw));
}

// A USB stick, a card reader, an optical drive, or a disk in a USB enclosure:
// the kernel marks the first ones removable, and every USB device sits below
// a host controller's usbN folder.
bool isOutsideDisk(const fs::path& device) {
    if (readAttribute(device / "removable") == "1") return true;
    for (const fs::path& part : device) {
        const std::string name = part.string();
        if (name.size() > 3 && name.starts_with("usb") &&
            name.find_first_not_of("0123456789", 3) == std::string::npos) {
            return true;
        }
    }
    return false;
}

// The disk of a virtio, Xen or Hyper-V (and so Azure) guest hangs below its
// bus's own folder, whatever its model says.
bool isBelowHypervisorBus(const fs::path& device) {
    const auto numbered = [](std::string_view name, std::string_view stem) {
        return name.size() > stem.size() && name.starts_with(stem) &&
               name.find_first_not_of("0123456789", stem.size()) == std::string_view::npos;
    };
    for (const fs::path& part : device) {
        const std::string name = part.string();
        if (numbered(name, "virtio") || numbered(name, "vbd-") || name.starts_with("VMBUS")) {
            return true;
        }
    }
    return false;
}

// The kernel counts in 512-byte sectors whatever the disk's own sector size.
std::uint64_t sizeOf(const fs::path& device) {
    constexpr std::uint64_t kSectorBytes = 512;
    const std::uint64_t sectors = parseDiskSize(readAttribute(device / "size"));
    if (sectors > std::numeric_limits<std::uint64_t>::max() / kSectorBytes) return 0;
    return sectors * kSectorBytes;
}

}  // namespace

std::string cleanSysfsModel(std::string raw) {
    const std::size_t last = raw.find_last_not_of(" \t\r\n");
    raw.erase(last == std::string::npos ? 0 : last + 1);
    return raw;
}

std::vector<DiskRecord> listSysfsDisks(const std::string& rootFolder) {
    const fs::path root = rootFolder;
    std::vector<DiskRecord> disks;
    std::error_code error;
    const fs::path virtualDevices = fs::weakly_canonical(root / "devices" / "virtual", error);
    std::vector<std::string> names;
    fs::directory_iterator entry(root / "block", error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::error_code resolveError;
        // Each entry is a link into the device tree; loop, ram, zram, dm and md
        // devices live under devices/virtual and are no physical disk.
        const fs::path device = fs::canonical(root / "block" / name, resolveError);
        if (resolveError || isUnder(device, virtualDevices) || isOutsideDisk(device)) continue;
        const std::string model = readAttribute(device / "device" / "model");
        // A SCSI disk's model holds only its product ("Virtual disk"); its
        // vendor ("VMware") is what names the hypervisor. The report shows the
        // model alone, as it always has.
        const std::string vendor = readAttribute(device / "device" / "vendor");
        DiskClass kind =
            classifyDisk(device.string(), vendor.empty() ? model : vendor + " " + model);
        if (kind.isRaidVolume == 0 && isBelowHypervisorBus(device)) kind = {0, 0, 0, 1};
        disks.push_back(diskRecord("/dev/" + name, model, kind, sizeOf(device)));
    }
    return disks;
}

namespace {

class SysfsDiskLister final : public DiskLister {
  public:
    DiskInventory listDisks() override { return {listSysfsDisks("/sys"), {}}; }
};

}  // namespace

std::unique_ptr<DiskLister> makeDiskLister() {
    return std::make_unique<SysfsDiskLister>();
}

}  // namespace quorven

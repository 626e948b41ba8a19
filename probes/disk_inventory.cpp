#include "probes/disk_inventory.h"

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

bool mentionsNvme(std::string_view text) {
    return lowered(text).find("nvme") != std::string::npos;
}

}  // namespace

DiskClass classifyDisk(std::string_view pnpDeviceId, std::string_view model) {
    if (mentionsNvme(pnpDeviceId) || mentionsNvme(model)) return {0, 1};
    return {1, 0};
}

bool isOutsideDrive(std::string_view interfaceType, std::string_view mediaType,
                    const BusTypeQuery& busType) {
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
    const std::optional<BusType> bus = busType();
    return bus == BusType::Usb || bus == BusType::Ieee1394 || bus == BusType::Sd ||
           bus == BusType::Mmc;
}

}  // namespace quorven

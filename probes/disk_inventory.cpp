#include "probes/disk_inventory.h"

namespace quorven {
namespace {

// Lowers A to Z only, as tolower does in the "C" locale; bytes of UTF-8
// sequences stay as they are.
bool mentionsNvme(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered.find("nvme") != std::string::npos;
}

}  // namespace

DiskClass classifyDisk(std::string_view pnpDeviceId, std::string_view model) {
    if (mentionsNvme(pnpDeviceId) || mentionsNvme(model)) return {0, 1};
    return {1, 0};
}

}  // namespace quorven

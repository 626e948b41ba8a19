// The NVMe/SATA decision over a disk's PNP device id and model.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/disk_inventory.h"

namespace {

// For the letters of "nvme", setting bit 0x20 maps exactly the upper and lower
// case letter to the lower one, and no other byte (UTF-8 bytes included)
// lands there.
bool referenceMentionsNvme(std::string_view text) {
    static constexpr char kWord[] = "nvme";
    for (std::size_t at = 0; at + 4 <= text.size(); ++at) {
        bool all = true;
        for (std::size_t k = 0; k < 4 && all; ++k) {
            all = (static_cast<unsigned char>(text[at + k]) | 0x20u) ==
                  static_cast<unsigned char>(kWord[k]);
        }
        if (all) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how long the device id is; the model is the rest.
    // Both may hold any byte, and "nvme" can straddle the cut, which must
    // not count.
    if (size == 0) return 0;
    const std::string_view rest = quorven::fuzz::asText(data + 1, size - 1);
    const std::size_t cut = std::min<std::size_t>(data[0], rest.size());
    const std::string pnpDeviceId(rest.substr(0, cut));
    const std::string model(rest.substr(cut));

    const quorven::DiskClass kind = quorven::classifyDisk(pnpDeviceId, model);
    FUZZ_CHECK((kind.isSata == 1 && kind.isNvme == 0) || (kind.isSata == 0 && kind.isNvme == 1));
    const bool nvme = referenceMentionsNvme(pnpDeviceId) || referenceMentionsNvme(model);
    FUZZ_CHECK((kind.isNvme == 1) == nvme);
    // Which text says it does not matter.
    FUZZ_CHECK(quorven::classifyDisk(model, pnpDeviceId) == kind);
    return 0;
}

// The RAID volume, virtual, NVMe or SATA decision over a disk's PNP device
// id, its model and the bus it reports.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/disk_inventory.h"

namespace {

// For ASCII letters, setting bit 0x20 maps exactly the upper and lower case
// letter to the lower one, and no other byte (UTF-8 bytes included) lands
// there.
bool referenceMentions(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        bool all = true;
        for (std::size_t k = 0; k < word.size() && all; ++k) {
            all = (static_cast<unsigned char>(text[at + k]) | 0x20u) ==
                  static_cast<unsigned char>(word[k]);
        }
        if (all) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte is the bus the drive reports (none from 0x20 up), the
    // second how long the device id is; the model is the rest. Both texts may
    // hold any byte, and a word can straddle the cut, which must not count.
    if (size < 2) return 0;
    const std::optional<quorven::BusType> bus =
        data[0] < 0x20 ? std::optional(static_cast<quorven::BusType>(data[0])) : std::nullopt;
    const std::string_view rest = quorven::fuzz::asText(data + 2, size - 2);
    const std::size_t cut = std::min<std::size_t>(data[1], rest.size());
    const std::string pnpDeviceId(rest.substr(0, cut));
    const std::string model(rest.substr(cut));

    const quorven::DiskClass kind = quorven::classifyDisk(pnpDeviceId, model, bus);
    for (const std::int32_t flag : {kind.isSata, kind.isNvme, kind.isRaidVolume, kind.isVirtual}) {
        FUZZ_CHECK(flag == 0 || flag == 1);
    }
    FUZZ_CHECK(kind.isSata + kind.isNvme + kind.isRaidVolume + kind.isVirtual == 1);
    const bool saysNvme =
        referenceMentions(pnpDeviceId, "nvme") || referenceMentions(model, "nvme");
    // "nvme" in either text, or an NVMe bus, is never SATA; nothing else
    // makes a drive NVMe.
    if (saysNvme || bus == quorven::BusType::Nvme) FUZZ_CHECK(kind.isSata == 0);
    if (!saysNvme && bus != quorven::BusType::Nvme) FUZZ_CHECK(kind.isNvme == 0);
    // Every array's texts name RAID.
    if (kind.isRaidVolume == 1) {
        FUZZ_CHECK(referenceMentions(pnpDeviceId, "raid") || referenceMentions(model, "raid"));
    }
    // Of all the buses, only NVMe's changes the class, but for the texts that
    // a Hyper-V guest's disk shares with an attached VHD: a bus read and not
    // a VHD's can make any disk but an array a virtual one, and nothing else.
    if (bus != quorven::BusType::Nvme) {
        const quorven::DiskClass unread = quorven::classifyDisk(pnpDeviceId, model, std::nullopt);
        const bool vhdBus =
            bus == quorven::BusType::Virtual || bus == quorven::BusType::FileBackedVirtual;
        FUZZ_CHECK(unread == kind ||
                   (bus && !vhdBus && unread.isRaidVolume == 0 && kind.isVirtual == 1));
    }
    return 0;
}

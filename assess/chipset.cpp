#include "assess/chipset.h"

#include <algorithm>
#include <iterator>

namespace quorven {
namespace {

struct ChipsetRow {
    std::uint16_t device;
    const char* name;
    ChipsetRaid raid;
};

// Intel's desktop and workstation chipsets by the PCI device ID of their
// LPC/eSPI bridge, sorted by it. Names from the PCI ID database (pci.ids,
// 2026-08-22) and, for A2CA and A2CC, flashrom's chipset_enable.c. RAID is
// Yes or No only where a public source states it for that chipset, named
// above its row; a row leaves Unknown only with such a source.
constexpr ChipsetRow kIntelChipsets[] = {
    {0x0684, "Intel H470", ChipsetRaid::Unknown},
    // EVGA Z490 manual, Internal RAID Controller chapter
    {0x0685, "Intel Z490", ChipsetRaid::Yes},
    {0x0687, "Intel Q470", ChipsetRaid::Unknown},
    {0x0697, "Intel W480", ChipsetRaid::Unknown},
    {0x4384, "Intel Q570", ChipsetRaid::Unknown},
    {0x4385, "Intel Z590", ChipsetRaid::Unknown},
    {0x4386, "Intel H570", ChipsetRaid::Unknown},
    {0x4387, "Intel B560", ChipsetRaid::Unknown},
    {0x4388, "Intel H510", ChipsetRaid::Unknown},
    {0x438C, "Intel C252", ChipsetRaid::Unknown},
    {0x438D, "Intel C256", ChipsetRaid::Unknown},
    {0x438E, "Intel H310D", ChipsetRaid::Unknown},
    {0x438F, "Intel W580", ChipsetRaid::Unknown},
    // taikenlog.jp: NVMe RAID 0 built on an ASUS TUF GAMING Z790-PLUS WIFI
    {0x7A04, "Intel Z790", ChipsetRaid::Yes},
    {0x7A05, "Intel H770", ChipsetRaid::Unknown},
    // Gigabyte B760M AORUS ELITE AX spec sheet (copied in a shop listing): "Chipset: 4 x SATA
    // 6Gb/s connectors, RAID 0, RAID 1, RAID 5, and RAID 10 support for SATA storage devices"
    {0x7A06, "Intel B760", ChipsetRaid::Yes},
    {0x7A13, "Intel C266", ChipsetRaid::Unknown},
    {0x7A14, "Intel C262", ChipsetRaid::Unknown},
    {0x7A83, "Intel Q670", ChipsetRaid::Unknown},
    // Intel community: Z690 board with Intel RST VMD Controller 467F; cybersocean.net: PCIe RAID
    // Z690 yes
    {0x7A84, "Intel Z690", ChipsetRaid::Yes},
    // cybersocean.net 600-series table: PCIe RAID H670 yes
    {0x7A85, "Intel H670", ChipsetRaid::Yes},
    {0x7A86, "Intel B660", ChipsetRaid::Unknown},
    {0x7A87, "Intel H610", ChipsetRaid::Unknown},
    {0x7A88, "Intel W680", ChipsetRaid::Unknown},
    {0x7A8A, "Intel W790", ChipsetRaid::Unknown},
    {0x7F03, "Intel Q870", ChipsetRaid::Unknown},
    {0x7F04, "Intel Z890", ChipsetRaid::Unknown},
    {0x7F06, "Intel B860", ChipsetRaid::Unknown},
    {0x7F07, "Intel H810", ChipsetRaid::Unknown},
    {0x7F08, "Intel W880", ChipsetRaid::Unknown},
    // TechSpot 100-series table: H110 No; Tom's Hardware 200-series table: H110 No
    {0xA143, "Intel H110", ChipsetRaid::No},
    // TechSpot 100-series table: H170 Yes
    {0xA144, "Intel H170", ChipsetRaid::Yes},
    // TechSpot "Intel 100 series chipset family detailed" (Puget): RST for SATA/PCIe RAID Z170 Yes
    {0xA145, "Intel Z170", ChipsetRaid::Yes},
    {0xA146, "Intel Q170", ChipsetRaid::Unknown},
    {0xA147, "Intel Q150", ChipsetRaid::Unknown},
    // GamersNexus i7-7700K review chipset table: RAID 0/1/5/10 B150 No
    {0xA148, "Intel B150", ChipsetRaid::No},
    // Tom's Hardware "Skylake Workstation Chipsets", table "Comparison Of C232 & C236 Chipsets"
    // (figures from an Intel representative): RAID 0/1/5/10 for C232 and C236
    {0xA149, "Intel C236", ChipsetRaid::Yes},
    {0xA14A, "Intel C232", ChipsetRaid::Yes},
    // Tom's Hardware 200-series table: H270 Yes
    {0xA2C4, "Intel H270", ChipsetRaid::Yes},
    // Tom's Hardware 200-series table: RAID 0/1/5/10 Z270 Yes
    {0xA2C5, "Intel Z270", ChipsetRaid::Yes},
    {0xA2C6, "Intel Q270", ChipsetRaid::Unknown},
    {0xA2C7, "Intel Q250", ChipsetRaid::Unknown},
    {0xA2C8, "Intel B250", ChipsetRaid::Unknown},
    // satallax.com/news/intel300: RAID PCIe 0,1,5 / SATA 0,1,5,10 for Z370
    {0xA2C9, "Intel Z370", ChipsetRaid::Yes},
    {0xA2CA, "Intel H310C", ChipsetRaid::Unknown},
    // tomshw.it B365 article: RAID PCIe 0,1,5 / SATA 0,1,5,10
    {0xA2CC, "Intel B365", ChipsetRaid::Yes},
    {0xA2D2, "Intel X299", ChipsetRaid::Unknown},
    {0xA2D3, "Intel C422", ChipsetRaid::Unknown},
    // satallax.com/news/intel300: H310 not supported
    {0xA303, "Intel H310", ChipsetRaid::No},
    // satallax.com/news/intel300: H370 supported
    {0xA304, "Intel H370", ChipsetRaid::Yes},
    // EVGA Z390 manual, Internal RAID Controller chapter
    {0xA305, "Intel Z390", ChipsetRaid::Yes},
    {0xA306, "Intel Q370", ChipsetRaid::Unknown},
    {0xA307, "Intel Q360", ChipsetRaid::Unknown},
    // satallax.com/news/intel300: B360 not supported; tomshw.it B365 article: B360 No
    {0xA308, "Intel B360", ChipsetRaid::No},
    {0xA309, "Intel C246", ChipsetRaid::Unknown},
    {0xA30A, "Intel C242", ChipsetRaid::Unknown},
    // ASUS PRO B460M-C spec sheet (copied in a shop listing): "Intel B460 Chipset: 6 x SATA
    // 6Gb/s port(s), Support Raid 0, 1, 5, 10"
    {0xA3C8, "Intel B460", ChipsetRaid::Yes},
    {0xA3DA, "Intel H410", ChipsetRaid::Unknown},
};

static_assert(std::is_sorted(std::begin(kIntelChipsets), std::end(kIntelChipsets),
                             [](const ChipsetRow& a, const ChipsetRow& b) {
                                 return a.device < b.device;
                             }),
              "the lookup halves the table");

constexpr std::uint16_t kIntel = 0x8086;
constexpr std::uint16_t kAmd = 0x1022;
constexpr std::uint32_t kIsaBridgeClass = 0x0601;

// PIIX3, PIIX4 and ICH9, which QEMU, VirtualBox, Hyper-V and VMware emulate:
// they name no real board (ICH9 also a 2008 one, long out of use).
constexpr std::uint16_t kEmulatedIntelBridges[] = {0x7000, 0x7110, 0x2918};

}  // namespace

std::optional<Chipset> findChipset(const std::vector<PciFunction>& functions) {
    // An Intel bridge not in the table says only the maker, and a later one
    // may still name the chipset: Arrow Lake desktops carry the processor's
    // own ISA function (8086:AE0D) at 00:1f.0 and the chipset's eSPI bridge
    // behind a second host bridge at 80:1f.0, and no order of listing is
    // promised on Windows.
    std::optional<Chipset> unlisted;
    for (const PciFunction& function : functions) {
        if (function.classCode >> 8 != kIsaBridgeClass) continue;
        if (function.vendor == kAmd) {
            // The FCH inside the CPU: it tells the maker, not the chipset.
            // An Intel bridge met before it has already told the maker.
            if (unlisted) continue;
            return Chipset{CpuVendor::Amd, "AMD", ChipsetRaid::Unknown};
        }
        if (function.vendor != kIntel ||
            std::find(std::begin(kEmulatedIntelBridges), std::end(kEmulatedIntelBridges),
                      function.device) != std::end(kEmulatedIntelBridges)) {
            continue;
        }
        const auto row = std::lower_bound(
            std::begin(kIntelChipsets), std::end(kIntelChipsets), function.device,
            [](const ChipsetRow& r, std::uint16_t device) { return r.device < device; });
        if (row == std::end(kIntelChipsets) || row->device != function.device) {
            unlisted = Chipset{CpuVendor::Intel, "Intel", ChipsetRaid::Unknown};
            continue;
        }
        return Chipset{CpuVendor::Intel, row->name, row->raid};
    }
    return unlisted;
}

BoardFacts boardFacts(std::vector<PciFunction> functions) {
    std::optional<Chipset> chipset = findChipset(functions);
    return {std::move(functions), std::move(chipset)};
}

}  // namespace quorven

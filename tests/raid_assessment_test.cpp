#include <gtest/gtest.h>

#include <limits>

#include "assess/before_build.h"
#include "assess/chipset.h"
#include "assess/detail_report.h"
#include "assess/raid_assessment.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

TEST(CpuAnswer, ConvertsLikeStrtolWithinTheSigned32BitRange) {
    struct Case {
        std::string line;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"1", 1},
        {"+1", 1},
        {"01", 1},
        {"1.5", 1},
        {"1 2", 1},
        {" 2", 2},
        {"\t\v\f\r 2", 2},
        {"2abc", 2},
        {"-0", 0},
        {"0", 0},
        {"3", 3},
        {"-1", -1},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"000000000000000000001", 1},
        // No digit at all.
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {"+", std::nullopt},
        {"+-1", std::nullopt},
        {" ", std::nullopt},
        {"x1", std::nullopt},
        // Outside the range, however far.
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999", std::nullopt},
        {std::string(5000, '9'), std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parseCpuAnswer(c.line), c.value) << '"' << c.line << '"';
}

TEST(CpuAnswer, OnlyOneAndTwoAreValidChoices) {
    struct Case {
        const char* line;
        std::optional<CpuVendor> vendor;
    };
    const Case cases[] = {
        {"1", CpuVendor::Intel},     {"+1", CpuVendor::Intel},     {"01", CpuVendor::Intel},
        {"1.5", CpuVendor::Intel},   {"1 2", CpuVendor::Intel},    {" 2", CpuVendor::Amd},
        {"2abc", CpuVendor::Amd},    {"", std::nullopt},           {"abc", std::nullopt},
        {"-", std::nullopt},         {"0", std::nullopt},          {"3", std::nullopt},
        {"-1", std::nullopt},        {"2147483648", std::nullopt}, {"99999999999", std::nullopt},
        {"4294967297", std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(cpuVendorFromAnswer(c.line), c.vendor) << '"' << c.line << '"';
    }
}

TEST(YesNoAnswer, OnlyTheFirstByteCounts) {
    for (const char* yes : {"y", "Y", "yes", "Yes", "Yn", "y\r", "YES please"}) {
        EXPECT_TRUE(isYesAnswer(yes)) << yes;
    }
    for (const std::string& no : std::vector<std::string>{"", "n", "no", " y", "ja", "\xFFy",
                                                          std::string("\0y", 2), "\r"}) {
        EXPECT_FALSE(isYesAnswer(no)) << no;
    }
}

DiskCounts counts(int sata, int nvme, int volumes = 0, int virtuals = 0) {
    std::vector<DiskRecord> disks;
    for (int i = 0; i < sata; ++i) disks.push_back(sataDisk("s" + std::to_string(i)));
    for (int i = 0; i < nvme; ++i) disks.push_back(nvmeDisk("n" + std::to_string(i)));
    for (int i = 0; i < volumes; ++i) disks.push_back(raidVolume("r" + std::to_string(i)));
    for (int i = 0; i < virtuals; ++i) disks.push_back(virtualDisk("v" + std::to_string(i)));
    return countDisks(disks);
}

TEST(CountDisks, CountsEachFlagAndTheLength) {
    EXPECT_EQ(counts(3, 1), (DiskCounts{4, 3, 1, true, true, false}));
    EXPECT_EQ(counts(0, 2), (DiskCounts{2, 0, 2, false, true, false}));
    // A RAID volume is in the total only.
    EXPECT_EQ(counts(1, 0, 2), (DiskCounts{3, 1, 0, true, false, true, false}));
    // So is a virtual disk.
    EXPECT_EQ(counts(0, 1, 0, 2), (DiskCounts{3, 0, 1, false, true, false, true}));
    // A record with neither flag still counts towards the total.
    EXPECT_EQ(countDisks({DiskRecord{"x", "", 0, 0}}), (DiskCounts{1, 0, 0, false, false}));
}

TEST(RaidRules, EveryRowWithItsReason) {
    const std::string i1 = "[+] You need at least 2 disks for RAID 0.";
    const std::string i2 =
        "[+] You have multiple SATA and NVMe disks, and your motherboard supports both SATA and "
        "NVMe RAID.";
    const std::string i3 =
        "[+] You have mixed SATA and NVMe disks. You need to unplug your NVMe disk(s) to RAID your "
        "SATA disks.";
    const std::string i4 =
        "[+] You have multiple SATA disks and your motherboard supports SATA RAID.";
    const std::string i5 =
        "[+] You have mixed NVMe and SATA disks. You need to unplug your SATA disk(s) to RAID your "
        "NVMe disks.";
    const std::string i6 =
        "[+] You have multiple NVMe disks and your motherboard supports NVMe RAID.";
    const std::string i7 = "[+] You need at least 2 disks of the same interface type for RAID 0.";
    const std::string a1 =
        "[+] AMD systems can create RAID with just one NVMe disk, and your motherboard supports "
        "NVMe RAID.";
    const std::string a2 =
        "[+] AMD systems can create RAID with just one SATA disk, and your motherboard supports "
        "SATA RAID.";
    const std::string a3 = "[+] No compatible disks or RAID support detected.";
    const std::string r0 =
        "[+] Your disks already sit behind your board's RAID controller, so it can build RAID 0.";
    const std::string v0 =
        "[+] This is a virtual machine: its disks are virtual, and no board RAID can build RAID 0 "
        "from them.";
    const std::string c1 =
        "[+] Your board's Intel B360 chipset has no RAID, so it cannot build RAID 0.";
    struct Case {
        CpuVendor cpu;
        int sata, nvme;
        RaidVerdict verdict;
        int volumes = 0;
        int virtuals = 0;
        std::optional<Chipset> chipset = std::nullopt;
    };
    const CpuVendor intel = CpuVendor::Intel, amd = CpuVendor::Amd;
    const Chipset b360{intel, "Intel B360", ChipsetRaid::No};
    const Chipset z790{intel, "Intel Z790", ChipsetRaid::Yes};
    const Chipset unlisted{intel, "Intel", ChipsetRaid::Unknown};
    const Case cases[] = {
        {intel, 1, 0, {false, i1}},
        {intel, 0, 1, {false, i1}},
        {intel, 2, 2, {true, i2}},
        {intel, 5, 3, {true, i2}},
        {intel, 2, 1, {false, i3}},
        {intel, 3, 1, {false, i3}},
        {intel, 2, 0, {true, i4}},
        {intel, 4, 0, {true, i4}},
        {intel, 1, 2, {false, i5}},
        {intel, 1, 3, {false, i5}},
        {intel, 0, 2, {true, i6}},
        {intel, 1, 1, {false, i7}},
        {amd, 0, 1, {true, a1}},
        {amd, 3, 1, {true, a1}},
        {amd, 1, 0, {true, a2}},
        {amd, 4, 0, {true, a2}},
        {amd, 0, 0, {false, a3}},
        // A RAID volume decides before every other row, for both makers:
        // alone, beside a disk outside the array, or beside a mix I3 refuses.
        {intel, 0, 0, {true, r0}, 1},
        {intel, 1, 0, {true, r0}, 1},
        {intel, 2, 1, {true, r0}, 1},
        {amd, 0, 0, {true, r0}, 2},
        {amd, 0, 1, {true, r0}, 1},
        // A virtual disk decides before anything else: beside real disks,
        // beside an array, on a board without RAID; and it says the board
        // has none.
        {intel, 0, 0, {false, v0, true}, 0, 1},
        {intel, 2, 0, {false, v0, true}, 0, 1},
        {amd, 0, 1, {false, v0, true}, 1, 2},
        {intel, 2, 0, {false, v0, true}, 0, 1, b360},
        // A chipset without RAID, below an array that runs and above the
        // vendor rows of either maker; one with RAID or unknown changes
        // nothing.
        {intel, 2, 0, {false, c1, true}, 0, 0, b360},
        {amd, 0, 1, {false, c1, true}, 0, 0, b360},
        {intel, 1, 0, {true, r0}, 1, 0, b360},
        {intel, 2, 0, {true, i4}, 0, 0, z790},
        {intel, 1, 1, {false, i7}, 0, 0, z790},
        {intel, 2, 0, {true, i4}, 0, 0, unlisted},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(assessRaid0(c.cpu, counts(c.sata, c.nvme, c.volumes, c.virtuals), c.chipset),
                  c.verdict)
            << static_cast<int>(c.cpu) << " sata " << c.sata << " nvme " << c.nvme << " volumes "
            << c.volumes << " virtual " << c.virtuals << " chipset "
            << (c.chipset ? c.chipset->name : "none");
    }
}

TEST(PciIds, VendorDeviceAndClassFromWindowsIds) {
    // An ASUS board's Intel B360 bridge, every ID as Windows lists it.
    const std::vector<std::string> b360Hardware = {
        "PCI\\VEN_8086&DEV_A308&SUBSYS_86941043&REV_10", "PCI\\VEN_8086&DEV_A308&SUBSYS_86941043",
        "PCI\\VEN_8086&DEV_A308&CC_060100", "PCI\\VEN_8086&DEV_A308&CC_0601"};
    const std::vector<std::string> b360Compatible = {"PCI\\VEN_8086&DEV_A308&REV_10",
                                                     "PCI\\VEN_8086&DEV_A308",
                                                     "PCI\\VEN_8086&CC_060100",
                                                     "PCI\\VEN_8086&CC_0601",
                                                     "PCI\\VEN_8086",
                                                     "PCI\\CC_060100",
                                                     "PCI\\CC_0601"};
    struct Case {
        const char* name;
        std::vector<std::string> hardware, compatible;
        PciFunction function;
    };
    const Case cases[] = {
        {"a real bridge", b360Hardware, b360Compatible, {0x8086, 0xA308, 0x060100, "svc"}},
        {"hardware IDs alone", b360Hardware, {}, {0x8086, 0xA308, 0x060100, "svc"}},
        {"the class from the compatible IDs alone",
         {"PCI\\VEN_1022&DEV_790E&SUBSYS_88771043&REV_51"},
         {"PCI\\CC_060100", "PCI\\CC_0601"},
         {0x1022, 0x790E, 0x060100, "svc"}},
        {"an AHCI controller: the six-digit class, wherever the four-digit one stands",
         {"PCI\\VEN_8086&DEV_A352&SUBSYS_86941043&REV_10", "PCI\\VEN_8086&DEV_A352&CC_0106"},
         {"PCI\\VEN_8086&CC_010601", "PCI\\CC_010601", "PCI\\CC_0106"},
         {0x8086, 0xA352, 0x010601, "svc"}},
        {"only the short class form: no programming interface",
         {"PCI\\VEN_8086&DEV_2822"},
         {"PCI\\CC_0104"},
         {0x8086, 0x2822, 0x010400, "svc"}},
        {"letter case ignored",
         {"pci\\ven_10de&dev_2684&cc_030000"},
         {},
         {0x10DE, 0x2684, 0x030000, "svc"}},
        {"the first ID that says a thing wins",
         {"PCI\\VEN_8086&DEV_A308"},
         {"PCI\\VEN_1022&DEV_790E&CC_010601", "PCI\\CC_060100"},
         {0x8086, 0xA308, 0x010601, "svc"}},
        {"other buses' IDs say nothing",
         {"ACPI\\VEN_PNP&DEV_0A08", "VMBUS\\{ba6163d9-04a1-4d29-b605-72e2ffb1dc7f}"},
         {"*PNP0A08"},
         {0, 0, 0, "svc"}},
        {"fields of the wrong length or not hex",
         {"PCI\\VEN_80861&DEV_A3&CC_06010", "PCI\\VEN_XY12&DEV_G308&CC_0601000"},
         {"PCI\\VEN_&CC_"},
         {0, 0, 0, "svc"}},
        {"nothing at all", {}, {}, {0, 0, 0, "svc"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pciFunctionFromIds(c.hardware, c.compatible, "svc"), c.function) << c.name;
    }
}

TEST(Chipset, TheFirstBridgeTellsTheMakerAnIntelOneInTheTableTheChipsetAndItsRaid) {
    const PciFunction hostBridge{0x8086, 0x3E30, 0x060000, ""};
    const PciFunction sata{0x8086, 0xA352, 0x010601, "storahci"};
    struct Case {
        const char* name;
        std::vector<PciFunction> functions;
        std::optional<Chipset> chipset;
    };
    const CpuVendor intel = CpuVendor::Intel;
    const Case cases[] = {
        {"a chipset without RAID",
         {hostBridge, sata, lpcBridge(0x8086, 0xA308)},
         Chipset{intel, "Intel B360", ChipsetRaid::No}},
        {"a chipset with RAID",
         {lpcBridge(0x8086, 0x7A04)},
         Chipset{intel, "Intel Z790", ChipsetRaid::Yes}},
        {"a chipset no source settles",
         {lpcBridge(0x8086, 0x7A87)},
         Chipset{intel, "Intel H610", ChipsetRaid::Unknown}},
        {"the table's first row",
         {lpcBridge(0x8086, 0x0684)},
         Chipset{intel, "Intel H470", ChipsetRaid::Unknown}},
        {"the table's last row",
         {lpcBridge(0x8086, 0xA3DA)},
         Chipset{intel, "Intel H410", ChipsetRaid::Unknown}},
        {"an Intel bridge not in the table",
         {lpcBridge(0x8086, 0x9D4E)},
         Chipset{intel, "Intel", ChipsetRaid::Unknown}},
        // Past the last row: the lookup must stop at the table's end, which
        // the sanitizer build checks.
        {"an Intel bridge past the table's last row",
         {lpcBridge(0x8086, 0xFFFF)},
         Chipset{intel, "Intel", ChipsetRaid::Unknown}},
        {"an AMD bridge", {lpcBridge(0x1022, 0x790E)}, Chipset{CpuVendor::Amd, "AMD"}},
        {"any programming interface",
         {{0x8086, 0xA308, 0x060180, ""}},
         Chipset{intel, "Intel B360", ChipsetRaid::No}},
        {"the first bridge wins",
         {lpcBridge(0x1022, 0x790E), lpcBridge(0x8086, 0xA308)},
         Chipset{CpuVendor::Amd, "AMD"}},
        {"an Intel bridge not in the table, then an AMD one",
         {lpcBridge(0x8086, 0x9D4E), lpcBridge(0x1022, 0x790E)},
         Chipset{intel, "Intel", ChipsetRaid::Unknown}},
        // Of the Intel bridges, one in the table names the chipset in either
        // order: Arrow Lake's processor function AE0D at 00:1f.0 beside the
        // chipset's eSPI bridge at 80:1f.0.
        {"AE0D, then a W880",
         {hostBridge, lpcBridge(0x8086, 0xAE0D), sata, lpcBridge(0x8086, 0x7F08)},
         Chipset{intel, "Intel W880", ChipsetRaid::Unknown}},
        {"a Z890, then AE0D",
         {lpcBridge(0x8086, 0x7F04), lpcBridge(0x8086, 0xAE0D)},
         Chipset{intel, "Intel Z890", ChipsetRaid::Unknown}},
        {"AE0D alone", {lpcBridge(0x8086, 0xAE0D)}, Chipset{intel, "Intel", ChipsetRaid::Unknown}},
        {"an unknown Intel bridge, then a known one",
         {lpcBridge(0x8086, 0x9D4E), lpcBridge(0x8086, 0xA308)},
         Chipset{intel, "Intel B360", ChipsetRaid::No}},
        {"a known Intel bridge, then an unknown one",
         {lpcBridge(0x8086, 0xA308), lpcBridge(0x8086, 0x9D4E)},
         Chipset{intel, "Intel B360", ChipsetRaid::No}},
        // What hypervisors emulate names nothing, and the search goes on.
        {"PIIX3", {lpcBridge(0x8086, 0x7000)}, std::nullopt},
        {"PIIX4", {lpcBridge(0x8086, 0x7110)}, std::nullopt},
        {"ICH9", {lpcBridge(0x8086, 0x2918)}, std::nullopt},
        {"an emulated bridge, then a real one",
         {lpcBridge(0x8086, 0x7110), lpcBridge(0x8086, 0x7A04)},
         Chipset{intel, "Intel Z790", ChipsetRaid::Yes}},
        {"another maker's bridge", {lpcBridge(0x1106, 0x3227)}, std::nullopt},
        {"the bridge's ID in another class",
         {{0x8086, 0xA308, 0x068000, ""}, hostBridge, sata},
         std::nullopt},
        {"no function at all", {}, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(findChipset(c.functions), c.chipset) << c.name;
}

// Every row of the chipset list, in its order, written out here and not
// taken from the program's table: a row's RAID may change only with its
// source. A source beside each Yes and No; a row without one is Unknown,
// and must stay so until a source is found, lest a board get a red "no".
// Each names itself in the report, and one without RAID decides the verdict
// for two SATA disks.
TEST(Chipset, EveryListedRowGivesItsNameAndItsRaid) {
    struct Row {
        std::uint16_t device;
        const char* name;
        ChipsetRaid raid;
    };
    const ChipsetRaid yes = ChipsetRaid::Yes, no = ChipsetRaid::No, unknown = ChipsetRaid::Unknown;
    const Row rows[] = {
        {0x0684, "Intel H470", unknown},
        {0x0685, "Intel Z490", yes},  // EVGA Z490 manual
        {0x0687, "Intel Q470", unknown},
        {0x0697, "Intel W480", unknown},
        {0x4384, "Intel Q570", unknown},
        {0x4385, "Intel Z590", unknown},
        {0x4386, "Intel H570", unknown},
        {0x4387, "Intel B560", unknown},
        {0x4388, "Intel H510", unknown},
        {0x438C, "Intel C252", unknown},
        {0x438D, "Intel C256", unknown},
        {0x438E, "Intel H310D", unknown},
        {0x438F, "Intel W580", unknown},
        {0x7A04, "Intel Z790", yes},  // taikenlog.jp, NVMe RAID 0 on a Z790 board
        {0x7A05, "Intel H770", unknown},
        {0x7A06, "Intel B760", yes},  // Gigabyte B760M AORUS ELITE AX spec sheet
        {0x7A13, "Intel C266", unknown},
        {0x7A14, "Intel C262", unknown},
        {0x7A83, "Intel Q670", unknown},
        {0x7A84, "Intel Z690", yes},  // Intel community; cybersocean.net
        {0x7A85, "Intel H670", yes},  // cybersocean.net 600-series table
        {0x7A86, "Intel B660", unknown},
        {0x7A87, "Intel H610", unknown},
        {0x7A88, "Intel W680", unknown},
        {0x7A8A, "Intel W790", unknown},
        {0x7F03, "Intel Q870", unknown},
        {0x7F04, "Intel Z890", unknown},
        {0x7F06, "Intel B860", unknown},
        {0x7F07, "Intel H810", unknown},
        {0x7F08, "Intel W880", unknown},
        {0xA143, "Intel H110", no},   // TechSpot and Tom's Hardware tables
        {0xA144, "Intel H170", yes},  // TechSpot 100-series table
        {0xA145, "Intel Z170", yes},  // TechSpot / Puget
        {0xA146, "Intel Q170", unknown},
        {0xA147, "Intel Q150", unknown},
        {0xA148, "Intel B150", no},   // GamersNexus chipset table
        {0xA149, "Intel C236", yes},  // Tom's Hardware workstation chipsets
        {0xA14A, "Intel C232", yes},  // the same table
        {0xA2C4, "Intel H270", yes},  // Tom's Hardware 200-series table
        {0xA2C5, "Intel Z270", yes},  // the same table
        {0xA2C6, "Intel Q270", unknown},
        {0xA2C7, "Intel Q250", unknown},
        {0xA2C8, "Intel B250", unknown},
        {0xA2C9, "Intel Z370", yes},  // satallax.com/news/intel300
        {0xA2CA, "Intel H310C", unknown},
        {0xA2CC, "Intel B365", yes},  // tomshw.it B365 article
        {0xA2D2, "Intel X299", unknown},
        {0xA2D3, "Intel C422", unknown},
        {0xA303, "Intel H310", no},   // satallax.com/news/intel300
        {0xA304, "Intel H370", yes},  // the same
        {0xA305, "Intel Z390", yes},  // EVGA Z390 manual
        {0xA306, "Intel Q370", unknown},
        {0xA307, "Intel Q360", unknown},
        {0xA308, "Intel B360", no},  // satallax.com; tomshw.it
        {0xA309, "Intel C246", unknown},
        {0xA30A, "Intel C242", unknown},
        {0xA3C8, "Intel B460", yes},  // ASUS PRO B460M-C spec sheet
        {0xA3DA, "Intel H410", unknown},
    };
    const std::vector<DiskRecord> disks = {sataDisk("\\\\.\\PHYSICALDRIVE0"),
                                           sataDisk("\\\\.\\PHYSICALDRIVE1")};
    for (const Row& row : rows) {
        const BoardFacts board = boardFacts({lpcBridge(0x8086, row.device)});
        EXPECT_EQ(board.chipset, (Chipset{CpuVendor::Intel, row.name, row.raid})) << row.name;
        const RaidVerdict verdict = assessRaid0(CpuVendor::Intel, countDisks(disks), board.chipset);
        const std::string report = detailReportText(disks, countDisks(disks), verdict, board);
        EXPECT_NE(report.find(std::string("[+] Chipset: ") + row.name + "\n"), std::string::npos)
            << report;
        EXPECT_EQ(verdict.reason, row.raid == no
                                      ? std::string("[+] Your board's ") + row.name +
                                            " chipset has no RAID, so it cannot build RAID 0."
                                      : "[+] You have multiple SATA disks and your motherboard "
                                        "supports SATA RAID.")
            << row.name;
    }
}

TEST(DetailReport, CountsSupportLinesAndOneLinePerDisk) {
    const std::vector<DiskRecord> disks = {
        sataDisk("\\\\.\\PHYSICALDRIVE0", "Wine Disk Drive"),
        nvmeDisk("\\\\.\\PHYSICALDRIVE1", ""),
        DiskRecord{"/dev/sdb", "Disque dur \xC3\xA9tendu", 1, 0},
        raidVolume("\\\\.\\PHYSICALDRIVE2", "Intel Raid 0 Volume"),
        virtualDisk("/dev/vda", ""),
    };
    const std::string head =
        "\n[+] System Information:\n-------------------\n[+] Detected 5 disk(s) total\n"
        "[+] SATA disks: 2\n[+] NVMe disks: 1\n";
    const std::string lines =
        "\n[+] Detected Disks:\n"
        "  1. \\\\.\\PHYSICALDRIVE0 - Wine Disk Drive (SATA)\n"
        "  2. \\\\.\\PHYSICALDRIVE1 (NVMe)\n"
        "  3. /dev/sdb - Disque dur \xC3\xA9tendu (SATA)\n"
        "  4. \\\\.\\PHYSICALDRIVE2 - Intel Raid 0 Volume (RAID volume)\n"
        "  5. /dev/vda (virtual disk)\n\n";
    const std::string yes =
        "[+] Motherboard SATA RAID support: Yes\n[+] Motherboard NVMe RAID support: Yes\n";
    const std::string no =
        "[+] Motherboard SATA RAID support: No\n[+] Motherboard NVMe RAID support: No\n";
    struct Case {
        const char* name;
        RaidVerdict verdict;
        std::optional<Chipset> chipset;
        std::string board;  // from the support lines to the disk list
    };
    const Case cases[] = {
        {"nothing known of the board", {true, "r"}, std::nullopt, yes},
        {"a verdict against the disks alone", {false, "r"}, std::nullopt, yes},
        {"a chipset without RAID decided",
         {false, "r", true},
         Chipset{CpuVendor::Intel, "Intel B360", ChipsetRaid::No},
         no + "[+] Chipset: Intel B360\n"},
        {"a virtual machine decided, nothing known", {false, "r", true}, std::nullopt, no},
        {"an AMD bridge", {true, "r"}, Chipset{CpuVendor::Amd, "AMD"}, yes + "[+] Chipset: AMD\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detailReportText(disks, countDisks(disks), c.verdict, {{}, c.chipset}),
                  head + c.board + lines)
            << c.name;
    }
}

TEST(DetailReport, BeforeYouBuildBlockFollowsTheDiskLinesWhenItHasAFact) {
    const std::vector<DiskRecord> disks = {raidVolume("\\\\.\\PHYSICALDRIVE0"),
                                           nvmeDisk("\\\\.\\PHYSICALDRIVE1", "")};
    const std::string report =
        "\n[+] System Information:\n-------------------\n[+] Detected 2 disk(s) total\n"
        "[+] SATA disks: 0\n[+] NVMe disks: 1\n[+] Motherboard SATA RAID support: Yes\n"
        "[+] Motherboard NVMe RAID support: Yes\n\n[+] Detected Disks:\n"
        "  1. \\\\.\\PHYSICALDRIVE0 - Intel Raid 0 Volume (RAID volume)\n"
        "  2. \\\\.\\PHYSICALDRIVE1 (NVMe)\n";
    const PciFunction ahci{0x8086, 0x7AE2, 0x010601, "storahci"};
    const PciFunction otherAhci{0x1022, 0x7901, 0x010601, "amd_sata"};
    const PciFunction rstRaid{0x8086, 0x2822, 0x010400, "iaStorAC"};
    const PciFunction vmd{0x8086, 0x467F, 0x010400, "iaStorVD"};
    const PciFunction nvme{0x144D, 0xA80A, 0x010802, "stornvme"};
    const PciFunction raidCard{0x1000, 0x005D, 0x010400, "megasas35i"};
    const PciFunction sataIde{0x8086, 0x2820, 0x010180, "pciide"};
    const PciFunction bridge = lpcBridge(0x8086, 0xA308);
    const VolumeFacts efi{{}, {0}};
    const std::string head = "\n[+] Before you build the array:\n";
    const std::string erase =
        "[!] Building an array erases the disks in it: back up what they hold first.\n";
    const std::string unbootable =
        "[!] Windows may fail to start after the controller is switched to RAID,\n"
        "    unless it is prepared first: follow your board maker's RAID guide.\n";
    struct Case {
        const char* name;
        DiskLayout layout;
        std::vector<PciFunction> functions;
        std::string block;
        // When given, the block alone is compared, for these disks.
        std::vector<DiskRecord> disks = {};
        RaidVerdict verdict = {};
    };
    const auto sataOf = [](std::uint64_t bytes) {
        return DiskRecord{"\\\\.\\PHYSICALDRIVE", "Wine Disk Drive", 1, 0, 0, 0, bytes};
    };
    const auto nvmeOf = [](std::uint64_t bytes) {
        return DiskRecord{"\\\\.\\PHYSICALDRIVE", "Samsung SSD 990 PRO", 0, 1, 0, 0, bytes};
    };
    const RaidVerdict green{true, "r"}, red{false, "r"};
    const std::uint64_t gb500 = 500'107'862'016, tb1 = 1'000'204'886'016, tb2 = 2'000'398'934'016;
    const std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    const std::string controller = "[+] Disk controller: AHCI (storahci)\n";
    const Case cases[] = {
        {"all Wine gives: no disk number, volumes on no extent, no controller",
         {{std::nullopt, std::nullopt}, {{{"C:\\"}, {}}, {{"Z:\\"}, {}}}, "C:\\windows"},
         {},
         ""},
        {"no letter: a partition without one, a mount folder; functions in neither mode",
         {{0, 1}, {efi, {{"C:\\Mount\\Data\\"}, {1}}}, "C:\\Windows"},
         {bridge, nvme, sataIde},
         ""},
        {"Windows on one disk, the other empty; case ignored",
         {{0, 1}, {efi, {{"C:\\"}, {0}}}, "c:\\Windows"},
         {},
         head + "  1. holds C: (Windows)\n" + erase},
        {"two letters out of order; numbers not in inventory order; case ignored again",
         {{1, 0}, {{{"E:\\"}, {0}}, {{"c:\\"}, {1}}, {{"D:\\"}, {0}}}, "C:\\WINDOWS"},
         {},
         head + "  1. holds C: (Windows)\n  2. holds D: E:\n" + erase},
        {"one volume spanning two disks",
         {{0, 1}, {{{"F:\\"}, {1, 0, 1}}}, ""},
         {},
         head + "  1. holds F:\n  2. holds F:\n" + erase},
        {"a RAID volume holding C:",
         {{2, std::nullopt}, {efi, {{"C:\\"}, {2}}}, "C:\\Windows"},
         {vmd},
         head + "  1. holds C: (Windows)\n[+] Disk controller: RAID (iaStorVD)\n" + erase},
        {"RAID after AHCI: the first RAID device names the service",
         {},
         {ahci, nvme, rstRaid, vmd},
         head + "[+] Disk controller: RAID (iaStorAC)\n"},
        {"the RAID class alone, with a driver of its own",
         {},
         {sataIde, raidCard},
         head + "[+] Disk controller: RAID (megasas35i)\n"},
        {"a RAID driver on an NVMe-class device, its name in any case",
         {},
         {ahci, {0x1022, 0xB000, 0x010802, "RCRAID"}},
         head + "[+] Disk controller: RAID (RCRAID)\n"},
        // Linux's ahci driver binds Intel's RAID-mode controller too.
        {"the RAID class under Linux's ahci driver",
         {},
         {{0x8086, 0x2822, 0x010400, "ahci"}},
         head + "[+] Disk controller: RAID (ahci)\n"},
        {"AHCI with Windows on the only disk with letters: the first AHCI device names the "
         "service",
         {{0, 1}, {{{"C:\\"}, {1}}}, "C:\\Windows"},
         {bridge, nvme, ahci, otherAhci},
         head + "  2. holds C: (Windows)\n[+] Disk controller: AHCI (storahci)\n" + erase +
             unbootable},
        // Windows on any disk warns, whichever disk holds letters last.
        {"AHCI with Windows on the first disk, D: on the last",
         {{0, 1}, {{{"C:\\"}, {0}}, {{"D:\\"}, {1}}}, "C:\\Windows"},
         {ahci},
         head + "  1. holds C: (Windows)\n  2. holds D:\n[+] Disk controller: AHCI (storahci)\n" +
             erase + unbootable},
        {"AHCI with Windows on the last disk, D: on the first",
         {{0, 1}, {{{"D:\\"}, {0}}, {{"C:\\"}, {1}}}, "C:\\Windows"},
         {ahci},
         head + "  1. holds D:\n  2. holds C: (Windows)\n[+] Disk controller: AHCI (storahci)\n" +
             erase + unbootable},
        {"AHCI without a service; Windows on no listed disk",
         {{0, 1}, {{{"D:\\"}, {1}}}, "C:\\Windows"},
         {{0x8086, 0xA352, 0x010601, ""}},
         head + "  2. holds D:\n[+] Disk controller: AHCI\n" + erase},
        // What a RAID 0 of the disks would hold, after what they hold and
        // before the controller.
        {"a larger disk beside Windows' disk",
         {{0, 1}, {{{"C:\\"}, {0}}}, "C:\\Windows"},
         {ahci},
         head + "  1. holds C: (Windows)\n" +
             "[+] A RAID 0 of the 2 SATA disks would hold 1.0 TB (2 x 500.1 GB).\n"
             "[!] Disk 2 is larger: 1.5 TB of its 2.0 TB would go unused.\n" +
             controller + erase + unbootable,
         {sataOf(gb500), sataOf(tb2)},
         green},
        // Disk 3 is exactly 1 % above the smallest, disk 1 a byte more.
        {"two of four larger, in report order",
         {},
         {ahci},
         head + "[+] A RAID 0 of the 4 SATA disks would hold 4.0 TB (4 x 1.0 TB).\n" +
             "[!] Disk 1 is larger: 10.0 GB of its 1.0 TB would go unused.\n"
             "[!] Disk 4 is larger: 3.0 TB of its 4.0 TB would go unused.\n" +
             controller,
         {sataOf(1'010'000'000'001), sataOf(1'000'000'000'000), sataOf(1'010'000'000'000),
          sataOf(4'000'787'030'016)},
         green},
        {"both kinds, SATA first, positions across both",
         {},
         {},
         head + "[+] A RAID 0 of the 2 SATA disks would hold 1.0 TB (2 x 500.1 GB).\n" +
             "[+] A RAID 0 of the 2 NVMe disks would hold 2.0 TB (2 x 1.0 TB).\n"
             "[!] Disk 4 is larger: 1.0 TB of its 2.0 TB would go unused.\n",
         {sataOf(gb500), nvmeOf(tb1), sataOf(gb500), nvmeOf(tb2)},
         green},
        {"a kind with one size unknown says nothing",
         {},
         {},
         head + "[+] A RAID 0 of the 2 NVMe disks would hold 1.0 TB (2 x 500.1 GB).\n",
         {sataOf(tb1), sataOf(0), nvmeOf(gb500), nvmeOf(gb500), sataOf(tb1)},
         green},
        {"a single disk of each kind", {}, {}, "", {sataOf(tb1), nvmeOf(tb1)}, green},
        {"a red verdict changes nothing",
         {},
         {ahci},
         head + controller,
         {sataOf(gb500), sataOf(tb2)},
         red},
        {"an array in use is built already",
         {},
         {ahci},
         head + controller,
         {DiskRecord{"\\\\.\\PHYSICALDRIVE0", "Intel Raid 0 Volume", 0, 0, 1, 0, tb2},
          sataOf(gb500), sataOf(tb2)},
         green},
        // Units: rounded half up, and what rounds to 1000.0 GB is a TB.
        {"999.9 GB, and what rounds to 1000.0 GB",
         {},
         {},
         head + "[+] A RAID 0 of the 2 SATA disks would hold 2.0 TB (2 x 999.9 GB).\n" +
             "[+] A RAID 0 of the 2 NVMe disks would hold 2.0 TB (2 x 1.0 TB).\n",
         {sataOf(999'949'999'999), sataOf(999'949'999'999), nvmeOf(999'950'000'000),
          nvmeOf(999'950'000'000)},
         green},
        {"halves round up, in GB and in TB",
         {},
         {},
         head + "[+] A RAID 0 of the 2 SATA disks would hold 164.5 GB (2 x 82.3 GB).\n" +
             "[+] A RAID 0 of the 2 NVMe disks would hold 2.0 TB (2 x 1.0 TB).\n"
             "[!] Disk 4 is larger: 2.5 TB of its 3.5 TB would go unused.\n",
         {sataOf(82'250'000'000), sataOf(82'250'000'000), nvmeOf(1'000'000'000'000),
          nvmeOf(3'450'000'000'000)},
         green},
        // Sizes no disk has: no sum may wrap, and a total that would says nothing.
        {"the largest sizes",
         {},
         {},
         head + "[+] A RAID 0 of the 2 NVMe disks would hold 2.0 TB (2 x 1.0 TB).\n" +
             "[!] Disk 4 is larger: 18446743.1 TB of its 18446744.1 TB would go unused.\n",
         {sataOf(max / 2 + 1), sataOf(max / 2 + 1), nvmeOf(1'000'000'000'000), nvmeOf(max)},
         green},
    };
    for (const Case& c : cases) {
        if (!c.disks.empty()) {
            EXPECT_EQ(beforeBuildText(c.disks, c.verdict, c.layout, c.functions), c.block)
                << c.name;
            continue;
        }
        EXPECT_EQ(detailReportText(disks, countDisks(disks), c.verdict, {c.functions, std::nullopt},
                                   c.layout),
                  report + c.block + "\n")
            << c.name;
    }
}

}  // namespace
}  // namespace quorven::testing

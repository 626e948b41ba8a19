#include <gtest/gtest.h>

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

DiskCounts counts(int sata, int nvme, int volumes = 0) {
    std::vector<DiskRecord> disks;
    for (int i = 0; i < sata; ++i) disks.push_back(sataDisk("s" + std::to_string(i)));
    for (int i = 0; i < nvme; ++i) disks.push_back(nvmeDisk("n" + std::to_string(i)));
    for (int i = 0; i < volumes; ++i) disks.push_back(raidVolume("r" + std::to_string(i)));
    return countDisks(disks);
}

TEST(CountDisks, CountsEachFlagAndTheLength) {
    EXPECT_EQ(counts(3, 1), (DiskCounts{4, 3, 1, true, true, false}));
    EXPECT_EQ(counts(0, 2), (DiskCounts{2, 0, 2, false, true, false}));
    // A RAID volume is in the total only.
    EXPECT_EQ(counts(1, 0, 2), (DiskCounts{3, 1, 0, true, false, true}));
    // A record with neither flag still counts towards the total.
    EXPECT_EQ(countDisks({DiskRecord{"x", "", 0, 0}}), (DiskCounts{1, 0, 0, false, false}));
}

TEST(RaidRules, EveryRowWithItsReason) {
    const std::string_view i1 = "[+] You need at least 2 disks for RAID 0.";
    const std::string_view i2 =
        "[+] You have multiple SATA and NVMe disks, and your motherboard supports both SATA and "
        "NVMe RAID.";
    const std::string_view i3 =
        "[+] You have mixed SATA and NVMe disks. You need to unplug your NVMe disk(s) to RAID your "
        "SATA disks.";
    const std::string_view i4 =
        "[+] You have multiple SATA disks and your motherboard supports SATA RAID.";
    const std::string_view i5 =
        "[+] You have mixed NVMe and SATA disks. You need to unplug your SATA disk(s) to RAID your "
        "NVMe disks.";
    const std::string_view i6 =
        "[+] You have multiple NVMe disks and your motherboard supports NVMe RAID.";
    const std::string_view i7 =
        "[+] You need at least 2 disks of the same interface type for RAID 0.";
    const std::string_view a1 =
        "[+] AMD systems can create RAID with just one NVMe disk, and your motherboard supports "
        "NVMe RAID.";
    const std::string_view a2 =
        "[+] AMD systems can create RAID with just one SATA disk, and your motherboard supports "
        "SATA RAID.";
    const std::string_view a3 = "[+] No compatible disks or RAID support detected.";
    const std::string_view r0 =
        "[+] Your disks already sit behind your board's RAID controller, so it can build RAID 0.";
    struct Case {
        CpuVendor cpu;
        int sata, nvme;
        RaidVerdict verdict;
        int volumes = 0;
    };
    const CpuVendor intel = CpuVendor::Intel, amd = CpuVendor::Amd;
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
    };
    for (const Case& c : cases) {
        EXPECT_EQ(assessRaid0(c.cpu, counts(c.sata, c.nvme, c.volumes)), c.verdict)
            << static_cast<int>(c.cpu) << " sata " << c.sata << " nvme " << c.nvme << " volumes "
            << c.volumes;
    }
}

TEST(DetailReport, CountsSupportLinesAndOneLinePerDisk) {
    const std::vector<DiskRecord> disks = {
        sataDisk("\\\\.\\PHYSICALDRIVE0", "Wine Disk Drive"),
        nvmeDisk("\\\\.\\PHYSICALDRIVE1", ""),
        DiskRecord{"/dev/sdb", "Disque dur \xC3\xA9tendu", 1, 0},
        raidVolume("\\\\.\\PHYSICALDRIVE2", "Intel Raid 0 Volume"),
    };
    EXPECT_EQ(detailReportText(disks, countDisks(disks)),
              "\n[+] System Information:\n-------------------\n[+] Detected 4 disk(s) total\n"
              "[+] SATA disks: 2\n[+] NVMe disks: 1\n[+] Motherboard SATA RAID support: Yes\n"
              "[+] Motherboard NVMe RAID support: Yes\n\n[+] Detected Disks:\n"
              "  1. \\\\.\\PHYSICALDRIVE0 - Wine Disk Drive (SATA)\n"
              "  2. \\\\.\\PHYSICALDRIVE1 (NVMe)\n"
              "  3. /dev/sdb - Disque dur \xC3\xA9tendu (SATA)\n"
              "  4. \\\\.\\PHYSICALDRIVE2 - Intel Raid 0 Volume (RAID volume)\n\n");
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
    // Compatible IDs as Windows lists them, most specific first.
    const ControllerFacts ahci{{"PCI\\VEN_8086&DEV_7AE2&CC_010601", "PCI\\VEN_8086&CC_0106",
                                "PCI\\CC_010601", "PCI\\CC_0106"},
                               "storahci"};
    const ControllerFacts otherAhci{{"PCI\\CC_010601"}, "amd_sata"};
    const ControllerFacts rstRaid{{"PCI\\VEN_8086&DEV_2822&CC_010400", "PCI\\CC_010400"},
                                  "iaStorAC"};
    const ControllerFacts vmd{{"PCI\\VEN_8086&DEV_467F&CC_010400", "PCI\\CC_0104"}, "iaStorVD"};
    const ControllerFacts nvme{{"PCI\\VEN_144D&DEV_A80A&CC_010802", "PCI\\CC_010802"}, "stornvme"};
    const ControllerFacts raidCard{{"PCI\\VEN_1000&DEV_005D&CC_010400", "PCI\\CC_010400"},
                                   "megasas35i"};
    const ControllerFacts sataIde{{"PCI\\CC_010180", "PCI\\CC_0106"}, "pciide"};
    const VolumeFacts efi{{}, {0}};
    const std::string head = "\n[+] Before you build the array:\n";
    const std::string erase =
        "[!] Building an array erases the disks in it: back up what they hold first.\n";
    const std::string unbootable =
        "[!] Windows may fail to start after the controller is switched to RAID, unless it is "
        "prepared first: follow your board maker's RAID guide.\n";
    struct Case {
        const char* name;
        DiskLayout layout;
        std::string block;
    };
    const Case cases[] = {
        {"all Wine gives: no disk number, volumes on no extent, no controller",
         {{std::nullopt, std::nullopt}, {{{"C:\\"}, {}}, {{"Z:\\"}, {}}}, "C:\\windows", {}},
         ""},
        {"no letter: a partition without one, a mount folder; controllers in neither mode",
         {{0, 1}, {efi, {{"C:\\Mount\\Data\\"}, {1}}}, "C:\\Windows", {nvme, sataIde}},
         ""},
        {"Windows on one disk, the other empty; case ignored",
         {{0, 1}, {efi, {{"C:\\"}, {0}}}, "c:\\Windows", {}},
         head + "  1. holds C: (Windows)\n" + erase},
        {"two letters out of order; numbers not in inventory order; case ignored again",
         {{1, 0}, {{{"E:\\"}, {0}}, {{"c:\\"}, {1}}, {{"D:\\"}, {0}}}, "C:\\WINDOWS", {}},
         head + "  1. holds C: (Windows)\n  2. holds D: E:\n" + erase},
        {"one volume spanning two disks",
         {{0, 1}, {{{"F:\\"}, {1, 0, 1}}}, "", {}},
         head + "  1. holds F:\n  2. holds F:\n" + erase},
        {"a RAID volume holding C:",
         {{2, std::nullopt}, {efi, {{"C:\\"}, {2}}}, "C:\\Windows", {vmd}},
         head + "  1. holds C: (Windows)\n[+] Disk controller: RAID (iaStorVD)\n" + erase},
        {"RAID after AHCI: the first RAID device names the service",
         {{}, {}, "", {ahci, nvme, rstRaid, vmd}},
         head + "[+] Disk controller: RAID (iaStorAC)\n"},
        {"the RAID class alone, with a driver of its own",
         {{}, {}, "", {sataIde, raidCard}},
         head + "[+] Disk controller: RAID (megasas35i)\n"},
        {"a RAID driver on an NVMe-class device, its name in any case",
         {{}, {}, "", {ahci, {{"PCI\\CC_010802"}, "RCRAID"}}},
         head + "[+] Disk controller: RAID (RCRAID)\n"},
        {"AHCI with Windows: the first AHCI device names the service",
         {{0, 1}, {{{"C:\\"}, {1}}}, "C:\\Windows", {nvme, ahci, otherAhci}},
         head + "  2. holds C: (Windows)\n[+] Disk controller: AHCI (storahci)\n" + erase +
             unbootable},
        {"AHCI without a service; Windows on no listed disk",
         {{0, 1}, {{{"D:\\"}, {1}}}, "C:\\Windows", {{{"PCI\\CC_010601"}, ""}}},
         head + "  2. holds D:\n[+] Disk controller: AHCI\n" + erase},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(detailReportText(disks, countDisks(disks), c.layout), report + c.block + "\n")
            << c.name;
    }
}

}  // namespace
}  // namespace quorven::testing

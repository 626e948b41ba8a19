// Whole runs driven through the fake world, compared byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "app/check_run.h"
#include "console/console_presenter.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

// The product's own command texts and boxes; their exact bytes are pinned
// once, by the probe table, board command and verdict box tests.
const ProbeTable kProbes = windowsProbeTable();
const std::string kWifi = kProbes.wifi.command;
const std::string kBluetooth = kProbes.bluetooth.command;
const std::string kTpm = kProbes.tpm.command;
const std::string kSecureBoot = kProbes.secureBoot.command;
const std::string kManufacturer = windowsBoardCommands(true).manufacturer;
const std::string kProduct = windowsBoardCommands(true).product;
const std::string kGreenBox(verdictBoxText(true));
const std::string kRedBox(verdictBoxText(false));
const std::string kCpuQuestion =
    "[+] Select your CPU manufacturer:\n1. Intel\n2. AMD\nEnter 1 or 2: ";
const std::string kReportQuestion =
    "[+] Would you like to see detailed system information? (Y/N): ";

// An ASUS board on a machine with every feature on, as wmic writes into a pipe.
void scriptAsusMachine(FakeWorld& f, const std::string& product) {
    f.runner.stdoutAnswers = {
        {kWifi, "Up\n"}, {kBluetooth, "OK\n"}, {kTpm, "True\n"}, {kSecureBoot, "True\n"}};
    f.runner.hidden = {
        {kManufacturer, "Manufacturer           \r\r\nASUSTeK COMPUTER INC.  \r\r\n\r\r\n"},
        {kProduct, "Product     \r\r\n" + product + "  \r\r\n\r\r\n"}};
}

std::string statusBlock(const std::string& tpm, const std::string& secureBoot,
                        const std::string& wifi, const std::string& bluetooth) {
    return "\n[+] TPM [Trusted Computing] Status: " + tpm +
           "\n[+] Secure Boot Status: " + secureBoot + "\n[+] Wifi : " + wifi +
           "\n[+] Bluetooth: " + bluetooth;
}

TEST(CheckRun, AsusEfiBoardIntelTwoSataNoReportGivesTheWholeTranscript) {
    FakeWorld f({"1", "n", ""});
    scriptAsusMachine(f, "ROG STRIX X670E-E GAMING WIFI");
    f.disks.disks = {sataDisk("\\\\.\\PHYSICALDRIVE0"), sataDisk("\\\\.\\PHYSICALDRIVE1")};

    EXPECT_EQ(runCheck(f.world), 0);

    using E = Event;
    const std::vector<Event> expected = {
        // Every command starts first, the maker's first of all.
        {E::Command, "hidden: " + kManufacturer},
        {E::Command, "stdout: " + kWifi},
        {E::Command, "stdout: " + kBluetooth},
        {E::Command, "stdout: " + kTpm},
        {E::Command, "stdout: " + kSecureBoot},
        // The banner waits for none of them.
        {E::Colour, "9"},
        {E::Out, std::string(bannerText()) + "\n"},
        {E::Colour, "7"},
        // The maker where the advice needs it; the product as soon as the
        // maker is known, before anything of the advice is written.
        {E::Command, "collect"},
        {E::Command, "hidden: " + kProduct},
        {E::Command, "collect"},
        {E::Out, "[+] Detected Asus\n[+] Use EFI Button"},
        {E::Pause, "1000"},
        {E::Pause, "2000"},
        {E::Out, "\n[+] Motherboard is compatibile"},
        {E::Pause, "1000"},
        // The probes after the status block's first pause.
        {E::Command, "collect"},
        {E::Out, "\n[+] TPM [Trusted Computing] Status: ENABLED"},
        {E::Pause, "1000"},
        {E::Out, "\n[+] Secure Boot Status: ENABLED"},
        {E::Pause, "1000"},
        {E::Out, "\n[+] Wifi : ENABLED"},
        {E::Pause, "1000"},
        {E::Out, "\n[+] Bluetooth: ENABLED"},
        {E::Pause, "2000"},
        {E::Out, "\n[+] Detecting disks...\n"},
        {E::Command, "listDisks"},
        {E::Out, kCpuQuestion},
        {E::Read, "line"},
        {E::Command, "listPciFunctions"},
        {E::Out, kReportQuestion},
        {E::Read, "line"},
        {E::Out, "[+] You have multiple SATA disks and your motherboard supports SATA RAID.\n"},
        {E::Colour, "10"},
        {E::Out, kGreenBox},
        {E::Read, "char"},
    };
    EXPECT_EQ(f.t.events, expected);
    EXPECT_EQ(f.console.calls,
              (std::vector<std::string>{"codepage 65001", "window 42 0,0,1,1", "buffer 42 120x90",
                                        "largest 42", "window 42 0,0,119,89"}));
}

struct BoardCase {
    const char* name;
    std::string manufacturerCapture;
    std::string productCapture;  // empty: the product must not be read
    std::string advice;
    std::vector<unsigned> pauses;
    std::string endedAtLimit = {};  // the command that runs past its limit
};

class BoardPaths : public ::testing::TestWithParam<BoardCase> {};

TEST_P(BoardPaths, AdviceTextAndPausesBeforeTheStatusBlock) {
    const BoardCase& c = GetParam();
    FakeWorld f({"2", "n"});
    f.runner.hidden = {{kManufacturer, c.manufacturerCapture}};
    if (!c.productCapture.empty()) f.runner.hidden[kProduct] = c.productCapture;
    if (!c.endedAtLimit.empty()) f.runner.endsAfter[c.endedAtLimit] = 60'000;
    f.disks.disks = {nvmeDisk("\\\\.\\PHYSICALDRIVE0")};

    EXPECT_EQ(runCheck(f.world), 0);

    const std::string expectedOut =
        std::string(bannerText()) + "\n" + c.advice +
        statusBlock("UNAVAILABLE", "ERROR", "UNAVAILABLE", "UNAVAILABLE") +
        "\n[+] Detecting disks...\n" + kCpuQuestion + kReportQuestion +
        "[+] AMD systems can create RAID with just one NVMe disk, and your motherboard supports "
        "NVMe RAID.\n" +
        kGreenBox;
    EXPECT_EQ(f.t.stream(Event::Out), expectedOut);
    std::vector<unsigned> pauses = c.pauses;
    for (unsigned p : {1000u, 1000u, 1000u, 1000u, 2000u}) pauses.push_back(p);
    EXPECT_EQ(f.t.pauses(), pauses);
    const auto commands = f.t.of(Event::Command);
    const bool productRead =
        std::find(commands.begin(), commands.end(), "hidden: " + kProduct) != commands.end();
    EXPECT_EQ(productRead, !c.productCapture.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Vendors, BoardPaths,
    ::testing::Values(
        BoardCase{"AsusPerm",
                  "Manufacturer\r\r\nASUSTeK COMPUTER INC.\r\r\n",
                  "Product\r\r\nPRIME H610M-A D4\r\r\n",
                  "[+] Detected Asus\n[+] Use Perm Button\n\n[+] Motherboard is compatibile",
                  {1000, 2000}},
        BoardCase{"Msi",
                  "Manufacturer\r\r\nMicro-Star International Co., Ltd.\r\r\n",
                  "",
                  "[+] Detected MSI\n[+] Use Perm Button\n[+] Motherboard is compatibile",
                  {1000, 2000}},
        BoardCase{"AsRock",
                  "Manufacturer\r\r\n  ASRock \t\r\r\n",
                  "",
                  "[+] Detected ASRock\n[+] Use Perm Button\n[+] Motherboard is compatibile",
                  {1000, 2000}},
        BoardCase{"Gigabyte",
                  "Manufacturer\r\r\nGigabyte Technology Co., Ltd.\r\r\n",
                  "",
                  "[+] Detected Gigabyte\n[+] Use Perm Button\n[+] Motherboard is compatibile",
                  {1000, 2000}},
        BoardCase{"Unknown",
                  "Manufacturer\r\r\nIntel Corporation\r\r\n",
                  "",
                  "[+] Open a ticket for manual verification.",
                  {2000}},
        BoardCase{"WmicMissing",
                  "'wmic' is not recognized as an internal or external command,\r\n",
                  "",
                  "[+] Open a ticket for manual verification.",
                  {2000}},
        // Past the limit a query says nothing, whatever it would have said.
        BoardCase{"ManufacturerPastItsLimit",
                  "Manufacturer\r\r\nASRock\r\r\n",
                  "",
                  "[+] Open a ticket for manual verification.",
                  {2000},
                  kManufacturer},
        BoardCase{"AsusProductPastItsLimit",
                  "Manufacturer\r\r\nASUSTeK COMPUTER INC.\r\r\n",
                  "Product\r\r\nROG STRIX X670E-E GAMING WIFI\r\r\n",
                  "[+] Detected Asus\n[+] Use Perm Button\n\n[+] Motherboard is compatibile",
                  {1000, 2000},
                  kProduct}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CheckRun, NoDisksTakesTheEarlyExitAfterTheEnumerationMessage) {
    FakeWorld f({"1"});
    f.disks.failure = "WMI query failed";

    EXPECT_EQ(runCheck(f.world), 1);

    const std::vector<Event> tail = {
        {Event::Out, "\n[+] Detecting disks...\n"},
        {Event::Command, "listDisks"},
        {Event::Err, "WMI query failed\n"},
        {Event::Out, "[+] Error: No disks detected.\n\nPress Enter to exit..."},
        {Event::Read, "char"}};
    ASSERT_GE(f.t.events.size(), tail.size());
    EXPECT_EQ(std::vector<Event>(f.t.events.end() - tail.size(), f.t.events.end()), tail);
    EXPECT_EQ(f.t.stream(Event::Err), "WMI query failed\n");
}

TEST(CheckRun, InvalidCpuAnswersTakeTheEarlyExit) {
    for (const char* answer : {"3", "", "abc", "-1", "0", "99999999999"}) {
        FakeWorld f({answer});
        f.disks.disks = {sataDisk("A"), sataDisk("B")};
        // The board never answers the question for the user.
        f.pci.functions = {lpcBridge(0x8086, 0x7A04)};

        EXPECT_EQ(runCheck(f.world), 1) << answer;

        const std::string out = f.t.stream(Event::Out);
        EXPECT_TRUE(out.ends_with(kCpuQuestion +
                                  "Invalid choice. Please run the program again and select 1 or "
                                  "2.\n\nPress Enter to exit..."))
            << answer;
        EXPECT_EQ(out.find("(Y/N)"), std::string::npos) << answer;
        EXPECT_EQ(f.t.of(Event::Colour), (std::vector<std::string>{"9", "7"})) << answer;
    }
}

TEST(CheckRun, EndOfInputEverywhereGivesTheInvalidChoiceExit) {
    FakeWorld f;  // no answers at all
    f.disks.disks = {sataDisk("A")};
    EXPECT_EQ(runCheck(f.world), 1);
    EXPECT_EQ(f.t.of(Event::Read), (std::vector<std::string>{"line", "char"}));
}

TEST(CheckRun, IntelSingleDiskWithReportShowsTheReportThenTheRedBox) {
    FakeWorld f({"1", "Yes"});
    f.disks.disks = {nvmeDisk("\\\\.\\PHYSICALDRIVE0", "")};

    EXPECT_EQ(runCheck(f.world), 0);

    const std::string out = f.t.stream(Event::Out);
    const std::string tail = kReportQuestion +
                             "\n[+] System Information:\n-------------------\n"
                             "[+] Detected 1 disk(s) total\n[+] SATA disks: 0\n"
                             "[+] NVMe disks: 1\n[+] Motherboard SATA RAID support: Yes\n"
                             "[+] Motherboard NVMe RAID support: Yes\n\n[+] Detected Disks:\n"
                             "  1. \\\\.\\PHYSICALDRIVE0 (NVMe)\n\n"
                             "[+] You need at least 2 disks for RAID 0.\n" +
                             kRedBox;
    EXPECT_TRUE(out.ends_with(tail)) << out;
    // The box is red and the colour is never set back.
    EXPECT_EQ(f.t.of(Event::Colour), (std::vector<std::string>{"9", "7", "12"}));
    EXPECT_EQ(f.t.events.back(), (Event{Event::Read, "char"}));
}

// A disk as the WMI lister makes it: classified from its texts and bus.
DiskRecord listed(std::string id, std::string_view pnp, std::string model,
                  std::optional<BusType> bus) {
    const DiskClass kind = classifyDisk(pnp, model, bus);
    return diskRecord(std::move(id), std::move(model), kind);
}

TEST(CheckRun, ArraysNvmeByItsBusAndVirtualMachinesGiveTheirVerdicts) {
    struct Case {
        const char* name;
        std::vector<DiskRecord> disks;
        std::string tail;  // from the report question on
        std::vector<std::string> colours;
    };
    const std::string reportHead =
        kReportQuestion + "\n[+] System Information:\n-------------------\n";
    const Case cases[] = {
        {"Intel RST stripes two drives: one volume",
         {listed("\\\\.\\PHYSICALDRIVE0",
                 "SCSI\\DISK&VEN_INTEL&PROD_RAID_0_VOLUME\\4&27617201&0&000100",
                 "Intel Raid 0 Volume", BusType::Raid)},
         reportHead +
             "[+] Detected 1 disk(s) total\n[+] SATA disks: 0\n[+] NVMe disks: 0\n"
             "[+] Motherboard SATA RAID support: Yes\n[+] Motherboard NVMe RAID support: Yes\n"
             "\n[+] Detected Disks:\n"
             "  1. \\\\.\\PHYSICALDRIVE0 - Intel Raid 0 Volume (RAID volume)\n\n"
             "[+] Your disks already sit behind your board's RAID controller, so it can build "
             "RAID 0.\n" +
             kGreenBox,
         {"9", "7", "10"}},
        {"two SATA disks and an NVMe drive under Intel's own driver",
         {listed("\\\\.\\PHYSICALDRIVE0", "SCSI\\DISK&VEN_SAMSUNG&PROD_SSD_860_EVO",
                 "Samsung SSD 860 EVO 500GB", static_cast<BusType>(0xB)),
          listed("\\\\.\\PHYSICALDRIVE1", "SCSI\\DISK&VEN_WDC&PROD_WD10EZEX",
                 "WDC WD10EZEX-08WN4A0", static_cast<BusType>(0xB)),
          listed("\\\\.\\PHYSICALDRIVE2", "SCSI\\DISK&VEN_INTEL&PROD_SSDPEKKW256G8",
                 "INTEL SSDPEKKW256G8", BusType::Nvme)},
         kReportQuestion +
             "[+] You have mixed SATA and NVMe disks. You need to unplug your NVMe disk(s) to "
             "RAID your SATA disks.\n" +
             kRedBox,
         {"9", "7", "12"}},
        {"a VirtualBox guest, a passed-through SSD beside its disk",
         {listed("\\\\.\\PHYSICALDRIVE0", "SCSI\\DISK&VEN_VBOX&PROD_HARDDISK\\4&2617AEAE&0&000000",
                 "VBOX HARDDISK", std::nullopt),
          listed("\\\\.\\PHYSICALDRIVE1", "SCSI\\DISK&VEN_SAMSUNG&PROD_SSD_870_EVO",
                 "Samsung SSD 870 EVO 1TB", std::nullopt)},
         reportHead +
             "[+] Detected 2 disk(s) total\n[+] SATA disks: 1\n[+] NVMe disks: 0\n"
             "[+] Motherboard SATA RAID support: No\n[+] Motherboard NVMe RAID support: No\n"
             "\n[+] Detected Disks:\n"
             "  1. \\\\.\\PHYSICALDRIVE0 - VBOX HARDDISK (virtual disk)\n"
             "  2. \\\\.\\PHYSICALDRIVE1 - Samsung SSD 870 EVO 1TB (SATA)\n\n"
             "[+] This is a virtual machine: its disks are virtual, and no board RAID can build "
             "RAID 0 from them.\n" +
             kRedBox,
         {"9", "7", "12"}},
    };
    for (const Case& c : cases) {
        const bool report = c.tail.starts_with(reportHead);
        FakeWorld f({"1", report ? "y" : "n"});
        f.disks.disks = c.disks;

        EXPECT_EQ(runCheck(f.world), 0) << c.name;

        const std::string out = f.t.stream(Event::Out);
        EXPECT_TRUE(out.ends_with(kCpuQuestion + c.tail)) << c.name << "\n" << out;
        EXPECT_EQ(f.t.of(Event::Colour), c.colours) << c.name;
    }
}

TEST(CheckRun, TheBoardOverrulesTheAnswerAndAChipsetWithoutRaidSaysNo) {
    const std::string intelRules =
        "[!] This PC's chipset is made by Intel, so the Intel rules apply.\n";
    const std::string amdRules = "[!] This PC's chipset is made by AMD, so the AMD rules apply.\n";
    const std::string i1 = "[+] You need at least 2 disks for RAID 0.\n";
    const std::string i4 =
        "[+] You have multiple SATA disks and your motherboard supports SATA RAID.\n";
    const std::string a2 =
        "[+] AMD systems can create RAID with just one SATA disk, and your motherboard supports "
        "SATA RAID.\n";
    const std::string c1 =
        "[+] Your board's Intel B360 chipset has no RAID, so it cannot build RAID 0.\n";
    struct Case {
        const char* name;
        std::string cpu;
        std::vector<PciFunction> functions;
        std::vector<DiskRecord> disks;
        std::string tail;  // from the line after the CPU answer
        bool green;
    };
    const std::vector<DiskRecord> oneSata = {sataDisk("\\\\.\\PHYSICALDRIVE0")};
    const std::vector<DiskRecord> twoSata = {sataDisk("\\\\.\\PHYSICALDRIVE0"),
                                             sataDisk("\\\\.\\PHYSICALDRIVE1")};
    const Case cases[] = {
        {"an Intel board answered AMD: one disk is not enough",
         "2",
         {lpcBridge(0x8086, 0x7A04)},
         oneSata,
         intelRules + kReportQuestion + i1,
         false},
        {"an AMD board answered Intel: one disk is",
         "1",
         {lpcBridge(0x1022, 0x790E)},
         oneSata,
         amdRules + kReportQuestion + a2,
         true},
        {"the answer agrees with the board",
         "1",
         {lpcBridge(0x8086, 0x7A04)},
         twoSata,
         kReportQuestion + i4,
         true},
        {"an emulated bridge says nothing",
         "2",
         {lpcBridge(0x8086, 0x7110)},
         oneSata,
         kReportQuestion + a2,
         true},
        {"a chipset without RAID",
         "1",
         {lpcBridge(0x8086, 0xA308)},
         twoSata,
         kReportQuestion + c1,
         false},
    };
    for (const Case& c : cases) {
        FakeWorld f({c.cpu, "n"});
        f.pci.functions = c.functions;
        f.disks.disks = c.disks;

        EXPECT_EQ(runCheck(f.world), 0) << c.name;

        EXPECT_TRUE(f.t.stream(Event::Out)
                        .ends_with(kCpuQuestion + c.tail + (c.green ? kGreenBox : kRedBox)))
            << c.name << "\n"
            << f.t.stream(Event::Out);
    }
}

TEST(CheckRun, TheLayoutIsReadAndShownOnlyWithTheReport) {
    for (const char* answer : {"y", "n"}) {
        FakeWorld f({"1", answer});
        f.disks.disks = {sataDisk("\\\\.\\PHYSICALDRIVE0"), sataDisk("\\\\.\\PHYSICALDRIVE1")};
        f.layout.numbers = {{"\\\\.\\PHYSICALDRIVE0", 0}, {"\\\\.\\PHYSICALDRIVE1", 1}};
        f.layout.layout.volumes = {{{"C:\\"}, {1}}};
        f.layout.layout.windowsFolder = "C:\\Windows";
        f.pci.functions = {lpcBridge(0x8086, 0x7A04), {0x8086, 0x7AE2, 0x010601, "storahci"}};

        EXPECT_EQ(runCheck(f.world), 0);

        const std::string out = f.t.stream(Event::Out);
        const std::string reason =
            "[+] You have multiple SATA disks and your motherboard supports SATA RAID.\n";
        const std::vector<std::string> commands = f.t.of(Event::Command);
        if (answer[0] == 'y') {
            EXPECT_TRUE(out.ends_with(
                "[+] Chipset: Intel Z790\n\n[+] Detected Disks:\n"
                "  1. \\\\.\\PHYSICALDRIVE0 - Wine Disk Drive (SATA)\n"
                "  2. \\\\.\\PHYSICALDRIVE1 - Wine Disk Drive (SATA)\n\n"
                "[+] Before you build the array:\n  2. holds C: (Windows)\n"
                "[+] Disk controller: AHCI (storahci)\n"
                "[!] Building an array erases the disks in it: back up what they hold first.\n"
                "[!] Windows may fail to start after the controller is switched to RAID,\n"
                "    unless it is prepared first: follow your board maker's RAID guide.\n\n" +
                reason + kGreenBox))
                << out;
            EXPECT_EQ(commands.back(), "readLayout");
        } else {
            EXPECT_TRUE(out.ends_with(kReportQuestion + reason + kGreenBox)) << out;
            EXPECT_EQ(std::count(commands.begin(), commands.end(), "readLayout"), 0);
        }
    }
}

std::size_t indexOf(const std::vector<Event>& events, const Event& event, std::size_t from = 0) {
    const auto found =
        std::find(events.begin() + static_cast<std::ptrdiff_t>(from), events.end(), event);
    return static_cast<std::size_t>(found - events.begin());
}

// The probes end on a schedule, in ms after their start; the maker (ASRock)
// answers at once. The advice pauses 3 s and the status block 1 s before its
// first line, so a probe due within 4 s is never waited for.
TEST(CheckRun, TheBannerComesAtOnceAndTheProbesAreCollectedAtTheStatusBlock) {
    struct Case {
        const char* name;
        std::map<std::string, std::uint64_t> endsAfter;
        std::vector<std::string> waits;  // each wait of the run, in ms
    };
    const Case cases[] = {
        {"every probe in by then",
         {{kWifi, 2000}, {kBluetooth, 2000}, {kTpm, 3500}, {kSecureBoot, 4000}},
         {}},
        {"one still running is waited for", {{kWifi, 2000}, {kTpm, 19'000}}, {"15000"}},
    };
    for (const Case& c : cases) {
        FakeWorld f({"1", "n"});
        f.runner.hidden = {{kManufacturer, "Manufacturer\r\r\nASRock\r\r\n"}};
        f.runner.stdoutAnswers = {{kWifi, "Up\r\n"},
                                  {kBluetooth, "OK\r\n"},
                                  {kTpm, "True\r\n"},
                                  {kSecureBoot, "False\r\n"}};
        f.runner.endsAfter = c.endsAfter;
        f.disks.disks = {sataDisk("A"), sataDisk("B")};

        EXPECT_EQ(runCheck(f.world), 0) << c.name;

        const std::vector<Event>& e = f.t.events;
        const std::size_t banner = indexOf(e, {Event::Out, std::string(bannerText()) + "\n"});
        const std::size_t maker = indexOf(e, {Event::Command, "collect"});
        const std::size_t advice = indexOf(e, {Event::Out, "[+] Detected ASRock\n"});
        const std::size_t probes = indexOf(e, {Event::Command, "collect"}, maker + 1);
        const std::size_t tpmLine =
            indexOf(e, {Event::Out, "\n[+] TPM [Trusted Computing] Status: ENABLED"});
        ASSERT_LT(tpmLine, e.size()) << c.name;
        // The banner before any command was collected or waited for, the
        // maker before the first advice line.
        EXPECT_LT(banner, maker) << c.name;
        EXPECT_LT(maker, advice) << c.name;
        EXPECT_EQ(f.t.of(Event::Wait), c.waits) << c.name;
        // The probes right after the status block's first pause; what is
        // waited for is waited for there, with nothing written.
        EXPECT_EQ(e.at(probes - 1), (Event{Event::Pause, "1000"})) << c.name;
        EXPECT_EQ(e.at(probes - 2), (Event{Event::Out, "\n[+] Motherboard is compatibile"}))
            << c.name;
        EXPECT_EQ(tpmLine, probes + 1 + c.waits.size()) << c.name;
        EXPECT_NE(
            f.t.stream(Event::Out).find(statusBlock("ENABLED", "DISABLED", "ENABLED", "ENABLED")),
            std::string::npos)
            << c.name;
    }
}

TEST(CheckRun, SecondSourcesAnswerOnlyForACommandThatRanAndSaidNothingKnown) {
    struct Case {
        const char* name;
        std::optional<std::string> wifi, tpm, secureBoot;
        std::vector<std::string> asked;
        std::string wifiWord, tpmWord, secureBootWord;
        bool pastTheLimit = false;  // every probe's command
    };
    const std::vector<std::string> all = {"second source: wifi", "second source: tpm",
                                          "second source: secure boot"};
    const Case cases[] = {
        {"elevated, an 802.11n adapter",
         "Down\r\n",
         "True\r\n",
         "False\n",
         {},
         "DISABLED",
         "ENABLED",
         "DISABLED"},
        {"standard user: errors on stderr only, a Wi-Fi 6 adapter", "", "", "", all, "ENABLED",
         "DISABLED", "ENABLED"},
        {"unknown texts", "Disconnected\r\n", "true\n", "Cmdlet not supported on this platform.\n",
         all, "ENABLED", "DISABLED", "ENABLED"},
        {"not started",
         std::nullopt,
         std::nullopt,
         std::nullopt,
         {},
         "UNAVAILABLE",
         "UNAVAILABLE",
         "ERROR"},
        // Bluetooth, which has no second source, still reads UNAVAILABLE.
        {"past the limit, with answers written before it", "Down\r\n", "True\r\n", "False\n", all,
         "ENABLED", "DISABLED", "ENABLED", true},
    };
    for (const Case& c : cases) {
        FakeWorld f({"1", "n"});
        f.wifiSecondWord = "ENABLED";
        f.secureBootSecondWord = "ENABLED";
        if (c.wifi) f.runner.stdoutAnswers[kWifi] = *c.wifi;
        if (c.tpm) f.runner.stdoutAnswers[kTpm] = *c.tpm;
        if (c.secureBoot) f.runner.stdoutAnswers[kSecureBoot] = *c.secureBoot;
        f.runner.stdoutAnswers[kBluetooth] = "OK\r\n";
        if (c.pastTheLimit) {
            for (const std::string& probe : {kWifi, kBluetooth, kTpm, kSecureBoot}) {
                f.runner.endsAfter[probe] = 60'000;
            }
        }
        f.disks.disks = {sataDisk("A"), sataDisk("B")};

        EXPECT_EQ(runCheck(f.world), 0) << c.name;

        // Asked once the probes are in, when the status block begins and
        // before its first line: between the probes' collection and the
        // next output.
        std::vector<std::string> asked;
        const std::size_t probes = indexOf(f.t.events, {Event::Command, "collect"},
                                           indexOf(f.t.events, {Event::Command, "collect"}) + 1);
        for (std::size_t i = probes + 1; i < f.t.events.size(); ++i) {
            if (f.t.events[i].kind == Event::Out) break;
            if (f.t.events[i].kind == Event::Command) asked.push_back(f.t.events[i].text);
        }
        EXPECT_EQ(asked, c.asked) << c.name;
        EXPECT_NE(f.t.stream(Event::Out)
                      .find(statusBlock(c.tpmWord, c.secureBootWord, c.wifiWord,
                                        c.pastTheLimit ? "UNAVAILABLE" : "ENABLED")),
                  std::string::npos)
            << c.name;
    }
}

// Real /bin/sh children, with the limit that the program sets at 30 s cut to
// one: the Bluetooth command would end only after a minute, and what it
// wrote before its limit is no answer.
TEST(CheckRun, ACommandPastItsLimitIsEndedThereAndTheRunGoesOn) {
    FakeWorld f({"1", "n"});
    const auto real = makeCommandRunner(std::chrono::seconds(1));
    f.runner.real = real.get();
    f.world.probes = probeTable("echo Up", "echo OK; exec sleep 60", "echo True", "echo False");
    f.world.board = {"echo Manufacturer; echo ASRock", "echo Product"};
    f.disks.disks = {sataDisk("A"), sataDisk("B")};

    EXPECT_EQ(runCheck(f.world), 0);

    const std::string out = f.t.stream(Event::Out);
    EXPECT_NE(out.find("[+] Detected ASRock\n"), std::string::npos) << out;
    EXPECT_NE(out.find(statusBlock("ENABLED", "DISABLED", "ENABLED", "UNAVAILABLE")),
              std::string::npos)
        << out;
}

TEST(CheckRun, ConsoleFailureLinesComeBeforeTheBanner) {
    FakeWorld f({"1", "n"});
    f.console.bufferFails = true;
    f.console.error = 6;
    f.disks.disks = {sataDisk("A"), sataDisk("B")};

    EXPECT_EQ(runCheck(f.world), 0);

    EXPECT_EQ(f.t.stream(Event::Err), "[!] SetConsoleScreenBufferSize failed. Error: 6\n");
    EXPECT_TRUE(f.t.stream(Event::Out)
                    .starts_with("[!] Console resize failed, falling back...\n" +
                                 std::string(bannerText())));
    EXPECT_EQ(f.t.of(Event::System), std::vector<std::string>{"mode con: cols=120 lines=50"});
}

}  // namespace
}  // namespace quorven::testing

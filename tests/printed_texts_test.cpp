// Everything the program prints, gathered from whole runs of the fake world
// down every path: no line of ours is wider than the console's 120 columns,
// and the README shows and quotes only what the program prints.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "app/check_run.h"
#include "console/console_presenter.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

const ProbeTable kProbes = windowsProbeTable();
const BoardCommands kBoard = windowsBoardCommands(true);

std::string wmicAnswer(const std::string& header, const std::string& value) {
    return header + "\r\r\n" + value + "\r\r\n\r\r\n";
}

// Every disk class, and the counts that each row of the rules asks about;
// each disk larger than the one before, so that a green verdict shows what
// the array would hold and leave unused.
std::vector<std::vector<DiskRecord>> diskSets() {
    const auto sized = [](DiskRecord disk, int n) {
        disk.sizeBytes = static_cast<std::uint64_t>(n + 1) * 1'000'204'886'016;
        return disk;
    };
    const auto sata = [&](int n) {
        return sized(sataDisk("\\\\.\\PHYSICALDRIVE" + std::to_string(n)), n);
    };
    const auto nvme = [&](int n) {
        return sized(nvmeDisk("\\\\.\\PHYSICALDRIVE" + std::to_string(n)), n);
    };
    return {{},
            {sata(0)},
            {sata(0), sata(1)},
            {nvme(0)},
            {nvme(0), nvme(1)},
            {sata(0), nvme(1)},
            {sata(0), sata(1), nvme(2)},
            {sata(0), nvme(1), nvme(2)},
            {sata(0), sata(1), nvme(2), nvme(3)},
            {raidVolume("\\\\.\\PHYSICALDRIVE0"), sata(1)},
            {virtualDisk("\\\\.\\PHYSICALDRIVE0"), sata(1)}};
}

const std::string kCpuQuestion = "Enter 1 or 2: ";
const std::string kReportQuestion =
    "[+] Would you like to see detailed system information? (Y/N): ";

// What a terminal shows of a run's output: each answer typed after its
// question, and the Enter that ends its line.
std::string onScreen(std::string out, const std::string& cpu, const std::string& report) {
    for (const auto& [question, answer] :
         {std::pair{kCpuQuestion, cpu}, {kReportQuestion, report}}) {
        const std::size_t at = out.find(question);
        if (at != std::string::npos) out.insert(at + question.size(), answer + "\n");
    }
    return out;
}

// What one run shows, standard output and error: the disks, the answers
// and the board's bridge go through every combination; the board's maker,
// the probes and the console take turns.
std::vector<std::string> everyRun() {
    const std::vector<std::pair<std::string, std::string>> makers = {
        {"ASUSTeK COMPUTER INC.", "ROG STRIX X670E-E GAMING WIFI"},
        {"ASUSTeK COMPUTER INC.", "PRIME H610M-A D4"},
        {"Micro-Star International Co., Ltd.", ""},
        {"ASRock", ""},
        {"Gigabyte Technology Co., Ltd.", ""},
        {"To Be Filled By O.E.M.", ""},
        {"", ""}};
    const std::vector<std::vector<PciFunction>> boards = {{},
                                                          {lpcBridge(0x8086, 0xA308)},
                                                          {lpcBridge(0x8086, 0x438E)},
                                                          {lpcBridge(0x8086, 0x7A04)},
                                                          {lpcBridge(0x1022, 0x790E)}};
    // A disk that holds every letter and Windows, behind an AHCI controller.
    VolumeFacts everyLetter{{}, {0}};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        everyLetter.pathNames.push_back(std::string(1, letter) + ":\\");
    }
    std::vector<std::string> runs;
    std::size_t turn = 0;
    for (const std::vector<DiskRecord>& disks : diskSets()) {
        for (const char* cpu : {"1", "2", "3"}) {
            for (const std::vector<PciFunction>& board : boards) {
                for (const char* report : {"y", "n"}) {
                    FakeWorld f({cpu, report, ""});
                    const auto& [maker, product] = makers[turn % makers.size()];
                    if (!maker.empty()) {
                        f.runner.hidden[kBoard.manufacturer] = wmicAnswer("Manufacturer", maker);
                        f.runner.hidden[kBoard.product] = wmicAnswer("Product", product);
                    }
                    if (turn % 2 == 0) {
                        f.runner.stdoutAnswers = {{kProbes.wifi.command, "Down\r\n"},
                                                  {kProbes.bluetooth.command, "OK\r\n"},
                                                  {kProbes.tpm.command, "True\r\n"},
                                                  {kProbes.secureBoot.command, "False\r\n"}};
                    }
                    f.console.handle = turn % 5 == 4 ? kInvalidConsoleHandle : 42;
                    f.console.bufferFails = turn % 5 == 1;
                    f.console.finalWindowFails = turn % 5 == 2;
                    f.console.error = turn % 2 == 0 ? 6 : 4294967295u;
                    f.disks.disks = disks;
                    if (disks.empty()) f.disks.failure = "Could not connect to WMI server";
                    f.pci.functions = board;
                    f.pci.functions.push_back({0x8086, 0x7AE2, 0x010601, "storahci"});
                    f.layout.numbers = {{"\\\\.\\PHYSICALDRIVE0", 0}};
                    f.layout.layout.volumes = {everyLetter};
                    f.layout.layout.windowsFolder = "C:\\Windows";
                    runCheck(f.world);
                    runs.push_back(onScreen(f.t.stream(Event::Out), cpu, report) +
                                   f.t.stream(Event::Err));
                    ++turn;
                }
            }
        }
    }
    return runs;
}

std::size_t columns(std::string_view line) {
    // A UTF-8 sequence fills one cell: the banner's blocks and box lines.
    return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

TEST(PrintedTexts, NoLineIsWiderThanTheWindowsColumns) {
    std::size_t widest = 0;
    for (const std::string& run : everyRun()) {
        std::istringstream lines(run);
        for (std::string line; std::getline(lines, line);) {
            widest = std::max(widest, columns(line));
            EXPECT_LE(columns(line), 120u) << line;
        }
    }
    // The banner and the box are among them, so the widest is no small one.
    EXPECT_GT(widest, 100u);
}

std::string readme() {
    std::ifstream file(QUORVEN_SOURCE_DIR "/README.md", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The first fenced block after `heading`.
std::string blockAfter(const std::string& text, const std::string& heading) {
    const std::size_t at = text.find(heading);
    if (at == std::string::npos) return {};
    const std::size_t open = text.find("```\n", at);
    const std::size_t close = text.find("\n```", open + 4);
    if (open == std::string::npos || close == std::string::npos) return {};
    return text.substr(open + 4, close + 1 - (open + 4));
}

// The README's sample run is a whole run of a world with that machine's
// facts: a board whose maker is unknown, silent probes, one virtio disk, and
// the answers 1 and y, which the terminal echoes after their questions.
TEST(PrintedTexts, TheReadmesSampleRunIsWhatTheProgramPrints) {
    FakeWorld f({"1", "y", ""});
    f.runner.hidden[kBoard.manufacturer] = "Manufacturer\r\r\n";
    // No Wi-Fi, Bluetooth or Secure Boot to report; the second sources say
    // what Linux's would.
    f.runner.stdoutAnswers = {{kProbes.wifi.command, ""},
                              {kProbes.bluetooth.command, ""},
                              {kProbes.tpm.command, "False\n"},
                              {kProbes.secureBoot.command, ""}};
    f.disks.disks = {virtualDisk("/dev/vda", "")};
    f.pci.functions = {lpcBridge(0x8086, 0x7000), {0x1AF4, 0x1001, 0x010000, "virtio-pci"}};
    runCheck(f.world);
    EXPECT_EQ(blockAfter(readme(), "## A sample run"), onScreen(f.t.stream(Event::Out), "1", "y"));
}

// The example of the report's last block, on a PC with a 500 GB and a 2 TB
// SATA disk, Windows on the first, behind an AHCI controller.
TEST(PrintedTexts, TheReadmesBeforeYouBuildExampleIsWhatTheProgramPrints) {
    FakeWorld f({"1", "y", ""});
    f.disks.disks = {
        {"\\\\.\\PHYSICALDRIVE0", "Samsung SSD 870 EVO 500GB", 1, 0, 0, 0, 500'107'862'016},
        {"\\\\.\\PHYSICALDRIVE1", "ST2000DM008-2FR102", 1, 0, 0, 0, 2'000'398'934'016}};
    f.layout.numbers = {{"\\\\.\\PHYSICALDRIVE0", 0}, {"\\\\.\\PHYSICALDRIVE1", 1}};
    f.layout.layout.volumes = {{{"C:\\"}, {0}}};
    f.layout.layout.windowsFolder = "C:\\Windows";
    f.pci.functions = {{0x8086, 0x7AE2, 0x010601, "storahci"}};
    runCheck(f.world);
    const std::string example = blockAfter(readme(), "### Before you build the array");
    ASSERT_FALSE(example.empty());
    EXPECT_NE(f.t.stream(Event::Out).find(example), std::string::npos) << example;
}

// Every line of output that the README quotes in its text is one that some
// run prints.
TEST(PrintedTexts, WhatTheReadmeQuotesIsPrinted) {
    std::string printed;
    for (const std::string& run : everyRun()) printed += run;
    const std::string text = readme();
    const std::regex quote("\"(\\[[+!]\\] [^\"]+)\"");
    int quotes = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), quote);
         it != std::sregex_iterator(); ++it) {
        ++quotes;
        // A quote may run over a line end of the README's own.
        std::string said = (*it)[1];
        std::replace(said.begin(), said.end(), '\n', ' ');
        said = std::regex_replace(said, std::regex("  +"), " ");
        EXPECT_NE(printed.find(said), std::string::npos) << said;
    }
    EXPECT_GT(quotes, 5);
}

}  // namespace
}  // namespace quorven::testing

#include "assess/before_build.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string_view>

namespace quorven {
namespace {

// PCI class 01 04 is a RAID controller, whatever its programming interface;
// 01 06 01 is SATA with AHCI.
constexpr std::uint32_t kRaidClass = 0x0104;
constexpr std::uint32_t kAhciClass = 0x010601;
// Intel RST and VMD, and AMD's RAID, whose NVMe RAID device may keep the
// NVMe class: only its driver names it.
constexpr std::string_view kRaidServices[] = {"iaStorA",  "iaStorAC", "iaStorAVC",
                                              "iaStorVD", "rcraid",   "rcbottom"};

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isLetter(char c) {
    return upper(c) >= 'A' && upper(c) <= 'Z';
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return upper(a) == upper(b); });
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithIgnoringCase(a, b);
}

// The class comes first: Linux's ahci driver also binds Intel's RAID-mode
// controllers.
std::optional<ControllerMode> modeOf(const PciFunction& function) {
    if (function.classCode >> 8 == kRaidClass ||
        std::any_of(std::begin(kRaidServices), std::end(kRaidServices),
                    [&](std::string_view s) { return equalsIgnoringCase(function.service, s); })) {
        return ControllerMode::Raid;
    }
    if (function.classCode == kAhciClass) return ControllerMode::Ahci;
    return std::nullopt;
}

// "C:" for the root of a drive; a longer path is a folder that a volume is
// mounted on, which gives it no letter.
std::optional<std::string> driveOf(std::string_view pathName) {
    if (pathName.size() != 3 || !isLetter(pathName[0]) || pathName.substr(1) != ":\\") {
        return std::nullopt;
    }
    return std::string{upper(pathName[0]), ':'};
}

std::optional<std::string> windowsDrive(std::string_view folder) {
    if (folder.size() < 2 || !isLetter(folder[0]) || folder[1] != ':') return std::nullopt;
    return std::string{upper(folder[0]), ':'};
}

// Decimal units, as disks are sold: tenths of a GB below 1000 GB, else
// tenths of a TB, rounded half up. Quotient and remainder, so that no sum
// can pass the top of 64 bits.
std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kGbTenth = 100'000'000;
    constexpr std::uint64_t kTbTenth = 100'000'000'000;
    const auto tenths = [bytes](std::uint64_t tenth) {
        return bytes / tenth + (bytes % tenth >= tenth / 2 ? 1 : 0);
    };
    std::uint64_t count = tenths(kGbTenth);
    const char* unit = " GB";
    // What rounds to 1000.0 GB is a TB already.
    if (count >= 10'000) {
        count = tenths(kTbTenth);
        unit = " TB";
    }
    return std::to_string(count / 10) + "." + std::to_string(count % 10) + unit;
}

// A RAID 0 stripes every disk to the size of the smallest, and the rest of
// each larger one is lost to it. Nothing for a kind with fewer than two
// disks, or one whose size is unknown: a guess would mislead more than
// silence.
std::string arraySizeLines(const std::vector<DiskRecord>& disks, const char* kind,
                           std::int32_t DiskRecord::*flag) {
    std::vector<std::size_t> positions;
    std::uint64_t smallest = std::numeric_limits<std::uint64_t>::max();
    for (std::size_t i = 0; i < disks.size(); ++i) {
        if (disks[i].*flag == 0) continue;
        if (disks[i].sizeBytes == 0) return {};
        positions.push_back(i);
        smallest = std::min(smallest, disks[i].sizeBytes);
    }
    const std::uint64_t count = positions.size();
    // Beyond 64 bits the sizes are none that a disk has: say nothing rather
    // than a total that wrapped.
    if (count < 2 || smallest > std::numeric_limits<std::uint64_t>::max() / count) return {};
    std::string text = "[+] A RAID 0 of the " + std::to_string(count) + " " + kind +
                       " disks would hold " + sizeText(count * smallest) + " (" +
                       std::to_string(count) + " x " + sizeText(smallest) + ").\n";
    for (const std::size_t i : positions) {
        const std::uint64_t unused = disks[i].sizeBytes - smallest;
        // More than 1 % above the smallest: 100 * unused > smallest, which
        // for whole numbers is unused > smallest / 100, and cannot overflow.
        // Two disks of one model may differ by a few sectors.
        if (unused <= smallest / 100) continue;
        text += "[!] Disk " + std::to_string(i + 1) + " is larger: " + sizeText(unused) +
                " of its " + sizeText(disks[i].sizeBytes) + " would go unused.\n";
    }
    return text;
}

}  // namespace

std::optional<ControllerFinding> findControllerMode(const std::vector<PciFunction>& functions) {
    std::optional<ControllerFinding> ahci;
    for (const PciFunction& controller : functions) {
        const std::optional<ControllerMode> mode = modeOf(controller);
        // RAID wins wherever it stands: an add-on AHCI card beside a chipset
        // in RAID mode does not change what the board's array is built on.
        if (mode == ControllerMode::Raid) return ControllerFinding{*mode, controller.service};
        if (mode == ControllerMode::Ahci && !ahci) {
            ahci = ControllerFinding{*mode, controller.service};
        }
    }
    return ahci;
}

std::vector<DiskHoldings> diskHoldings(const DiskLayout& layout) {
    const std::optional<std::string> windows = windowsDrive(layout.windowsFolder);
    std::vector<DiskHoldings> holdings(layout.diskNumbers.size());
    for (std::size_t i = 0; i < holdings.size(); ++i) {
        const std::optional<std::uint32_t> number = layout.diskNumbers[i];
        if (!number) continue;
        std::vector<std::string>& letters = holdings[i].letters;
        // A volume that spans several disks counts for each of them.
        for (const VolumeFacts& volume : layout.volumes) {
            if (std::find(volume.diskNumbers.begin(), volume.diskNumbers.end(), *number) ==
                volume.diskNumbers.end()) {
                continue;
            }
            for (const std::string& path : volume.pathNames) {
                if (const std::optional<std::string> drive = driveOf(path)) {
                    letters.push_back(*drive);
                }
            }
        }
        std::sort(letters.begin(), letters.end());
        // No letter matches a Windows folder without one.
        holdings[i].holdsWindows =
            std::find(letters.begin(), letters.end(), windows) != letters.end();
    }
    return holdings;
}

std::string beforeBuildText(const std::vector<DiskRecord>& disks, const RaidVerdict& verdict,
                            const DiskLayout& layout, const std::vector<PciFunction>& functions) {
    std::string diskLines;
    bool windowsOnADisk = false;
    const std::vector<DiskHoldings> holdings = diskHoldings(layout);
    for (std::size_t i = 0; i < holdings.size(); ++i) {
        if (holdings[i].letters.empty()) continue;
        diskLines += "  " + std::to_string(i + 1) + ". holds";
        for (const std::string& letter : holdings[i].letters) diskLines += " " + letter;
        if (holdings[i].holdsWindows) diskLines += " (Windows)";
        diskLines += '\n';
        windowsOnADisk = windowsOnADisk || holdings[i].holdsWindows;
    }
    // A green verdict beside an array in use came from that array, which is
    // built already; every other green one from the disks' own rows.
    const bool arrayToBuild =
        verdict.supported && std::none_of(disks.begin(), disks.end(), [](const DiskRecord& disk) {
            return disk.isRaidVolume != 0;
        });
    std::string sizeLines;
    if (arrayToBuild) {
        sizeLines = arraySizeLines(disks, "SATA", &DiskRecord::isSata) +
                    arraySizeLines(disks, "NVMe", &DiskRecord::isNvme);
    }
    const std::optional<ControllerFinding> controller = findControllerMode(functions);
    if (diskLines.empty() && sizeLines.empty() && !controller) return {};

    std::string text = "\n[+] Before you build the array:\n" + diskLines + sizeLines;
    if (controller) {
        text += "[+] Disk controller: ";
        text += controller->mode == ControllerMode::Raid ? "RAID" : "AHCI";
        if (!controller->service.empty()) text += " (" + controller->service + ")";
        text += '\n';
    }
    if (!diskLines.empty()) {
        text += "[!] Building an array erases the disks in it: back up what they hold first.\n";
    }
    // Windows loads no RAID driver at boot unless told to: once the firmware
    // is switched, it stops with INACCESSIBLE_BOOT_DEVICE. Two lines, so that
    // neither wraps in a window of 120 columns.
    if (controller && controller->mode == ControllerMode::Ahci && windowsOnADisk) {
        text +=
            "[!] Windows may fail to start after the controller is switched to RAID,\n"
            "    unless it is prepared first: follow your board maker's RAID guide.\n";
    }
    return text;
}

}  // namespace quorven

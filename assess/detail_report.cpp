#include "assess/detail_report.h"

#include "assess/before_build.h"

namespace quorven {

bool isYesAnswer(std::string_view line) {
    return !line.empty() && (line.front() == 'y' || line.front() == 'Y');
}

std::string detailReportText(const std::vector<DiskRecord>& disks, const DiskCounts& counts,
                             const RaidVerdict& verdict, const BoardFacts& board,
                             const DiskLayout& layout) {
    // The board is taken to support both kinds of RAID unless the verdict
    // found that it has none at all; the registry is no guide either way.
    const std::string support = verdict.boardHasNoRaid ? "No" : "Yes";
    std::string text = "\n[+] System Information:\n-------------------\n";
    text += "[+] Detected " + std::to_string(counts.total) + " disk(s) total\n";
    text += "[+] SATA disks: " + std::to_string(counts.sataCount) + "\n";
    text += "[+] NVMe disks: " + std::to_string(counts.nvmeCount) + "\n";
    text += "[+] Motherboard SATA RAID support: " + support + "\n";
    text += "[+] Motherboard NVMe RAID support: " + support + "\n";
    if (board.chipset) text += "[+] Chipset: " + board.chipset->name + "\n";
    text += "\n[+] Detected Disks:\n";
    std::uint64_t position = 0;
    for (const DiskRecord& disk : disks) {
        text += "  " + std::to_string(++position) + ". " + disk.deviceId;
        if (!disk.model.empty()) text += " - " + disk.model;
        if (disk.isNvme != 0) text += " (NVMe)";
        if (disk.isSata != 0) text += " (SATA)";
        if (disk.isRaidVolume != 0) text += " (RAID volume)";
        if (disk.isVirtual != 0) text += " (virtual disk)";
        text += '\n';
    }
    text += beforeBuildText(disks, verdict, layout, board.functions);
    text += '\n';
    return text;
}

}  // namespace quorven

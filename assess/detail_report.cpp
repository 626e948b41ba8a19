#include "assess/detail_report.h"

#include "assess/before_build.h"

namespace quorven {

bool isYesAnswer(std::string_view line) {
    return !line.empty() && (line.front() == 'y' || line.front() == 'Y');
}

std::string detailReportText(const std::vector<DiskRecord>& disks, const DiskCounts& counts,
                             const DiskLayout& layout) {
    // The rules assume that the board supports both kinds of RAID, so the
    // report says so rather than guess from the registry.
    std::string text = "\n[+] System Information:\n-------------------\n";
    text += "[+] Detected " + std::to_string(counts.total) + " disk(s) total\n";
    text += "[+] SATA disks: " + std::to_string(counts.sataCount) + "\n";
    text += "[+] NVMe disks: " + std::to_string(counts.nvmeCount) + "\n";
    text += "[+] Motherboard SATA RAID support: Yes\n";
    text += "[+] Motherboard NVMe RAID support: Yes\n";
    text += "\n[+] Detected Disks:\n";
    std::uint64_t position = 0;
    for (const DiskRecord& disk : disks) {
        text += "  " + std::to_string(++position) + ". " + disk.deviceId;
        if (!disk.model.empty()) text += " - " + disk.model;
        if (disk.isNvme != 0) text += " (NVMe)";
        if (disk.isSata != 0) text += " (SATA)";
        if (disk.isRaidVolume != 0) text += " (RAID volume)";
        text += '\n';
    }
    text += beforeBuildText(layout);
    text += '\n';
    return text;
}

}  // namespace quorven

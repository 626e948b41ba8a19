#include "assess/detail_report.h"

#include <string>

#include "console/console_presenter.h"

namespace quorven {

bool isYesAnswer(std::string_view line) {
    return !line.empty() && (line.front() == 'y' || line.front() == 'Y');
}

bool askDetailReport(Output& out, Input& in) {
    writeText(out, "[+] Would you like to see detailed system information? (Y/N): ");
    out.flush();
    return isYesAnswer(in.readLine());
}

void printDetailReport(Output& out, const std::vector<DiskRecord>& disks,
                       const DiskCounts& counts) {
    writeLine(out, "");
    writeLine(out, "[+] System Information:");
    writeLine(out, "-------------------");
    writeLine(out, "[+] Detected " + std::to_string(counts.total) + " disk(s) total");
    writeLine(out, "[+] SATA disks: " + std::to_string(counts.sataCount));
    writeLine(out, "[+] NVMe disks: " + std::to_string(counts.nvmeCount));
    writeLine(out, "[+] Motherboard SATA RAID support: Yes");
    writeLine(out, "[+] Motherboard NVMe RAID support: Yes");
    writeLine(out, "\n[+] Detected Disks:");
    std::uint64_t position = 0;
    for (const DiskRecord& disk : disks) {
        std::string line = "  " + std::to_string(++position) + ". " + disk.deviceId;
        if (!disk.model.empty()) line += " - " + disk.model;
        if (disk.isNvme != 0) line += " (NVMe)";
        if (disk.isSata != 0) line += " (SATA)";
        writeLine(out, line);
    }
    writeLine(out, "");
}

}  // namespace quorven

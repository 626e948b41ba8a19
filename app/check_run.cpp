#include "app/check_run.h"

#include <memory>
#include <string>
#include <vector>

#include "assess/board_advice.h"
#include "assess/chipset.h"
#include "assess/detail_report.h"
#include "assess/raid_assessment.h"
#include "console/console_presenter.h"

namespace quorven {
namespace {

// Taken once, when the status block begins, before any of them is printed.
struct StatusSlots {
    std::string wifiStatus;
    std::string bluetoothStatus;
    std::string tpmStatus;
    std::string secureBootStatus;
};

std::unique_ptr<StartedCommands> startProbes(World& w) {
    const ProbeTable& p = w.probes;
    return w.commands.start({probeRequest(p.wifi), probeRequest(p.bluetooth), probeRequest(p.tpm),
                             probeRequest(p.secureBoot)});
}

void showBoardAdvice(World& w, StartedCommands& makerQuery) {
    const std::string manufacturer = parseManufacturer(hiddenText(makerQuery.collect().at(0)));
    // Only for the one maker whose advice depends on it, started as soon as
    // the maker is known and collected before anything of the advice is
    // written.
    const std::string product =
        adviceNeedsProduct(manufacturer)
            ? parseProduct(hiddenText(w.commands.run({boardRequest(w.board.product)}).at(0)))
            : std::string();
    for (const AdviceStep& step : adviseOnBoard(manufacturer, product)) {
        if (!step.text.empty()) {
            writeText(w.out, step.text);
            w.out.flush();
        }
        if (step.pauseMs != 0) w.pauser.pause(step.pauseMs);
    }
}

// The second sources take milliseconds each, on this thread.
StatusSlots statusWords(const ProbeTable& p, const std::vector<Capture>& captures) {
    return {probeWord(p.wifi, captures.at(0)), probeWord(p.bluetooth, captures.at(1)),
            probeWord(p.tpm, captures.at(2)), probeWord(p.secureBoot, captures.at(3))};
}

void printStatusBlock(World& w, StartedCommands& probes) {
    w.pauser.pause(1000);
    // As late as the output allows: the probes have run behind the banner,
    // the advice and this pause, and usually there is nothing left to wait
    // for. One still running is waited for here, with nothing written.
    const StatusSlots slots = statusWords(w.probes, probes.collect());
    struct Row {
        const char* label;
        const std::string& word;
        unsigned pauseAfter;
    };
    const Row rows[] = {
        {"\n[+] TPM [Trusted Computing] Status: ", slots.tpmStatus, 1000},
        {"\n[+] Secure Boot Status: ", slots.secureBootStatus, 1000},
        {"\n[+] Wifi : ", slots.wifiStatus, 1000},
        {"\n[+] Bluetooth: ", slots.bluetoothStatus, 2000},
    };
    for (const Row& row : rows) {
        writeText(w.out, row.label);
        writeText(w.out, row.word);
        w.out.flush();
        w.pauser.pause(row.pauseAfter);
    }
}

// Questions end without a line feed, so that the answer is typed on their line.
std::string ask(World& w, std::string_view question) {
    writeText(w.out, question);
    w.out.flush();
    return w.in.readLine();
}

void waitForEnter(World& w) {
    w.out.flush();
    w.in.readChar();
}

int exitEarly(World& w, const char* line) {
    writeLine(w.out, line);
    writeText(w.out, "\nPress Enter to exit...");
    waitForEnter(w);
    return 1;
}

}  // namespace

int runCheck(World& w) {
    // Every command starts here, side by side, the maker's first since its
    // answer is wanted first; each is collected where its answer is used,
    // and each has its limit from its own start.
    const std::unique_ptr<StartedCommands> makerQuery =
        w.commands.start({boardRequest(w.board.manufacturer)});
    const std::unique_ptr<StartedCommands> probes = startProbes(w);

    // Nothing is waited for before the banner.
    prepareConsole(w.console, w.out, w.err);
    printBanner(w.console, w.out);

    showBoardAdvice(w, *makerQuery);
    printStatusBlock(w, *probes);

    writeLine(w.out, "\n[+] Detecting disks...");
    const DiskInventory inventory = w.disks.listDisks();
    if (!inventory.failure.empty()) writeLine(w.err, inventory.failure);
    if (inventory.disks.empty()) return exitEarly(w, "[+] Error: No disks detected.");

    const std::optional<CpuVendor> cpu = cpuVendorFromAnswer(
        ask(w, "[+] Select your CPU manufacturer:\n1. Intel\n2. AMD\nEnter 1 or 2: "));
    if (!cpu) {
        return exitEarly(w, "Invalid choice. Please run the program again and select 1 or 2.");
    }

    // The board knows its maker: where the answer differs, the board's rules
    // apply, and the user is told so at once.
    const BoardFacts hardware = boardFacts(w.pci.listPciFunctions());
    CpuVendor rules = *cpu;
    if (hardware.chipset && hardware.chipset->maker != *cpu) {
        rules = hardware.chipset->maker;
        writeLine(w.out, chipsetMakerLine(rules));
    }

    const DiskCounts counts = countDisks(inventory.disks);
    // Decided before the report, whose support lines say what it found.
    const RaidVerdict verdict = assessRaid0(rules, counts, hardware.chipset);
    if (isYesAnswer(ask(w, "[+] Would you like to see detailed system information? (Y/N): "))) {
        // Asked only now: walking every volume is wasted on a run that shows
        // none of it.
        const DiskLayout layout = w.layout.readLayout(inventory.disks);
        writeText(w.out, detailReportText(inventory.disks, counts, verdict, hardware, layout));
        w.out.flush();
    }

    writeLine(w.out, verdict.reason);
    showVerdictBox(w.console, w.out, verdict.supported);
    // No prompt: the box is the last thing on the screen, and its colour stays.
    waitForEnter(w);
    return 0;
}

}  // namespace quorven

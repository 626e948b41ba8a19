// One whole native run, as quorven runs, but with status probes that take
// 2 s each and a board that answers at once: how soon the banner comes, and
// what the run costs beyond its own pauses. Answers come from standard input
// and the run's output goes to standard output; the figures go to standard
// error as "banner <s> beyond <s>".
#include <chrono>
#include <cstdio>
#include <string>

#include "app/check_run.h"

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Notes when the first row of block letters is written.
class BannerClock final : public quorven::Output {
  public:
    BannerClock(quorven::Output& out, Clock::time_point start) : out_(out), start_(start) {}
    void write(std::string_view bytes) override {
        // U+2588 FULL BLOCK, which only the banner's letters are made of.
        if (banner_ < 0 && bytes.find("\xE2\x96\x88") != std::string_view::npos) {
            banner_ = since(start_);
        }
        out_.write(bytes);
    }
    void flush() override { out_.flush(); }
    double banner() const { return banner_; }

  private:
    quorven::Output& out_;
    Clock::time_point start_;
    double banner_ = -1;
};

class CountingPauser final : public quorven::Pauser {
  public:
    explicit CountingPauser(quorven::Pauser& pauser) : pauser_(pauser) {}
    void pause(unsigned milliseconds) override {
        total_ += milliseconds / 1000.0;
        pauser_.pause(milliseconds);
    }
    double total() const { return total_; }

  private:
    quorven::Pauser& pauser_;
    double total_ = 0;
};

}  // namespace

int main() {
    using namespace quorven;
    const Clock::time_point start = Clock::now();
    const auto out = makeStandardOutput();
    const auto err = makeStandardError();
    BannerClock timedOut(*out, start);
    StdioInput in(stdin);
    const auto sleeper = makePauser();
    CountingPauser pauser(*sleeper);
    const auto console = makeConsole(timedOut);
    const auto commands = makeCommandRunner();
    const auto disks = makeDiskLister();
    const auto layout = makeDiskLayoutReader();
    const auto pci = makePciLister();
    ProbeTable probes = platformProbeTable();
    for (PlatformProbe* probe :
         {&probes.wifi, &probes.bluetooth, &probes.tpm, &probes.secureBoot}) {
        probe->command = "sleep 2; " + probe->command;
    }
    World world{timedOut,
                *err,
                in,
                pauser,
                *console,
                *commands,
                *disks,
                *layout,
                *pci,
                probes,
                platformBoardCommands()};
    const int status = runCheck(world);
    std::fprintf(stderr, "banner %.4f beyond %.4f\n", timedOut.banner(),
                 since(start) - pauser.total());
    return status;
}

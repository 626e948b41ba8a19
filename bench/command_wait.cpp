// Times, under the bench's stand-ins, the wait for one run's commands as
// quorven starts them, side by side, beside one lone capture of the same
// stand-in and beside the same commands one after another. It runs
// quorven's own runner on the run's own command texts. Prints one line per
// round: "lone <s> together <s> one-by-one <s>".
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "probes/board_identity.h"
#include "probes/command_capture.h"
#include "probes/platform_probes.h"

namespace {

double secondsFor(quorven::CommandRunner& runner,
                  const std::vector<quorven::CommandRequest>& requests) {
    const auto started = std::chrono::steady_clock::now();
    for (const quorven::Capture& capture : runner.run(requests)) {
        if (capture.outcome != quorven::Capture::Read) {
            std::fprintf(stderr, "a command did not run to its end: outcome %d\n",
                         static_cast<int>(capture.outcome));
            std::exit(1);
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorven;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    const ProbeTable probes = windowsProbeTable();
    // What a run on a board that needs no product query starts.
    const std::vector<CommandRequest> run = {
        boardRequest(windowsBoardCommands(true).manufacturer), probeRequest(probes.wifi),
        probeRequest(probes.bluetooth), probeRequest(probes.tpm), probeRequest(probes.secureBoot)};
    const auto runner = makeCommandRunner();
    for (int k = 0; k < rounds; ++k) {
        const double lone = secondsFor(*runner, {probeRequest(probes.wifi)});
        const double together = secondsFor(*runner, run);
        double oneByOne = 0;
        for (const CommandRequest& request : run) oneByOne += secondsFor(*runner, {request});
        std::printf("lone %.4f together %.4f one-by-one %.4f\n", lone, together, oneByOne);
        std::fflush(stdout);
    }
    return 0;
}

// The status word each Windows probe reads from its command's output.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/platform_probes.h"

namespace {

const quorven::PlatformProbe* const* probes() {
    static const quorven::ProbeTable table = quorven::windowsProbeTable();
    static const quorven::PlatformProbe* const list[] = {&table.wifi, &table.bluetooth, &table.tpm,
                                                         &table.secureBoot};
    return list;
}
constexpr int kProbeCount = 4;

// The probes read standard output alone: every command prints the same
// there, or could not start.
class OneAnswer final : public quorven::CommandRunner {
  public:
    explicit OneAnswer(std::optional<std::string> output) : output_(std::move(output)) {}
    std::string runHiddenCommand(const std::string&) override { return {}; }
    std::optional<std::string> readCommandStdout(const std::string&) override { return output_; }

  private:
    std::optional<std::string> output_;
};

std::string wordFor(const quorven::PlatformProbe& probe, std::optional<std::string> output) {
    OneAnswer runner(std::move(output));
    return quorven::runProbe(probe, runner);
}

// The set of lines a device list yields: split at line feeds, every carriage
// return removed (wmic and PowerShell end lines with "\r\n", sometimes
// "\r\r\n"), empty lines ignored.
std::set<std::string> referenceLineSet(std::string_view output) {
    std::set<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i <= output.size(); ++i) {
        if (i == output.size() || output[i] == '\n') {
            if (!line.empty()) lines.insert(line);
            line.clear();
        } else if (output[i] != '\r') {
            line.push_back(output[i]);
        }
    }
    return lines;
}

std::string referenceWord(const quorven::PlatformProbe& probe, std::string_view output) {
    const std::set<std::string> lines = referenceLineSet(output);
    // Table order decides, not line order: one "Up" adapter makes Wi-Fi
    // enabled even when a "Down" one is listed first.
    for (const quorven::ProbeAnswer& answer : probe.matches) {
        if (lines.count(answer.text) != 0) return answer.word;
    }
    return probe.fallbackWord;
}

bool isOneOfItsWords(const quorven::PlatformProbe& probe, const std::string& word) {
    if (word == probe.fallbackWord) return true;
    for (const quorven::ProbeAnswer& answer : probe.matches) {
        if (word == answer.word) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int i = 0; i < kProbeCount; ++i) {
        const quorven::PlatformProbe& probe = *probes()[i];
        FUZZ_CHECK(wordFor(probe, std::nullopt) == probe.startFailureWord);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string output(quorven::fuzz::asText(data, size));
    for (int i = 0; i < kProbeCount; ++i) {
        const quorven::PlatformProbe& probe = *probes()[i];
        const std::string word = wordFor(probe, output);
        FUZZ_CHECK(isOneOfItsWords(probe, word));
        // A command that ran, whatever it printed, never reads as one that
        // did not start.
        FUZZ_CHECK(word != probe.startFailureWord);
        FUZZ_CHECK(word == referenceWord(probe, output));
    }
    return 0;
}

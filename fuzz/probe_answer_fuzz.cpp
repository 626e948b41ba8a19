// The status word each Windows probe reads from its command's output.

#include <cstdint>
#include <optional>
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

// The probes read standard output alone: every command printed `output`
// there, or could not start.
std::string wordFor(const quorven::PlatformProbe& probe, std::optional<std::string> output) {
    if (!output) return quorven::probeWord(probe, {quorven::Capture::NotStarted, {}});
    return quorven::probeWord(probe, {quorven::Capture::Read, *std::move(output)});
}

// Whether some line, once its carriage returns are gone, is exactly `text`:
// found as a whole, bounded by line feeds or the ends of the output.
bool hasLine(std::string_view output, const std::string& text) {
    std::string bounded = '\n' + std::string(output) + '\n';
    std::erase(bounded, '\r');
    return bounded.find('\n' + text + '\n') != std::string::npos;
}

void checkProbe(const quorven::PlatformProbe& probe, const std::string& output) {
    const std::string word = wordFor(probe, output);
    // An answer's word needs that answer on a line of its own, not inside a
    // longer line nor padded with blanks; the fallback, no answer at all. So
    // a command that ran never reads as one that did not start.
    bool backed = false, anyAnswer = false;
    for (const quorven::ProbeAnswer& answer : probe.matches) {
        const bool present = hasLine(output, answer.text);
        backed = backed || (present && answer.word == word);
        anyAnswer = anyAnswer || present;
    }
    FUZZ_CHECK(word == probe.fallbackWord ? !anyAnswer : backed);
    // The first answer outranks every other line, wherever it stands.
    const quorven::ProbeAnswer& first = probe.matches.front();
    if (hasLine(output, first.text)) FUZZ_CHECK(word == first.word);

    // One more device that answers, after whatever came before: its answer,
    // or one that ranks above it, wins. Windows ends the line with CR LF.
    for (std::size_t k = 0; k < probe.matches.size(); ++k) {
        const std::string more = wordFor(probe, output + "\n" + probe.matches[k].text + "\r\n");
        bool ranked = false;
        for (std::size_t j = 0; j <= k; ++j) ranked = ranked || more == probe.matches[j].word;
        FUZZ_CHECK(ranked);
    }
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
    for (int i = 0; i < kProbeCount; ++i) checkProbe(*probes()[i], output);
    return 0;
}

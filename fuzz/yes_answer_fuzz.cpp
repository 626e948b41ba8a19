// isYesAnswer, which decides whether the report is shown.

#include <cstdint>
#include <string>

#include "assess/detail_report.h"
#include "fuzz/fuzz_support.h"

namespace {

// Folds case with the 0x20 bit: only 'Y' (0x59) and 'y' (0x79) land on 'y',
// so this says "first byte is y or Y" without comparing against either.
bool referenceYes(std::string_view line) {
    return !line.empty() && (static_cast<unsigned char>(line.front()) | 0x20u) == 'y';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = quorven::fuzz::asText(data, size);

    const bool yes = quorven::isYesAnswer(text);
    FUZZ_CHECK(yes == referenceYes(text));
    // Only the first byte counts: "yes", "y\r" and "Y, show me" are all yes,
    // and what follows it never turns the answer around.
    if (!text.empty()) FUZZ_CHECK(quorven::isYesAnswer(text.substr(0, 1)) == yes);

    return 0;
}

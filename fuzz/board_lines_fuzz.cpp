// The board maker and product read from wmic's (or PowerShell's) two-line
// answer, and the trimming both rely on.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "probes/board_identity.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string referenceTrim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

// Lines end at a line feed. A final line feed does not open another, empty,
// line; the results below are the same either way, since an empty line trims
// to the empty text that a missing line also gives.
std::vector<std::string_view> referenceLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        lines.push_back(text.substr(0, feed));
        text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
    }
    return lines;
}

bool qualifiesAsProduct(const std::string& trimmed) {
    return !trimmed.empty() && trimmed != "Product";
}

void checkTrim(const std::string& input) {
    std::string trimmed = input;
    quorven::trimBlanks(trimmed);

    FUZZ_CHECK(trimmed.empty() || (!isBlank(trimmed.front()) && !isBlank(trimmed.back())));
    const std::size_t at = input.find(trimmed);
    FUZZ_CHECK(at != std::string::npos);
    // Only blanks went, and all of them from both ends.
    FUZZ_CHECK(trimmed == referenceTrim(input));

    std::string again = trimmed;
    quorven::trimBlanks(again);
    FUZZ_CHECK(again == trimmed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string capture(quorven::fuzz::asText(data, size));
    checkTrim(capture);

    const std::vector<std::string_view> lines = referenceLines(capture);

    // The second line as it stands, blank or not: wmic puts the value there.
    const std::string manufacturer = quorven::parseManufacturer(capture);
    FUZZ_CHECK(manufacturer == (lines.size() >= 2 ? referenceTrim(lines[1]) : std::string()));

    const std::string product = quorven::parseProduct(capture);
    FUZZ_CHECK(product.find('\n') == std::string::npos);
    FUZZ_CHECK(product != "Product");
    bool found = false;
    for (std::string_view line : lines) {
        const std::string trimmed = referenceTrim(line);
        if (qualifiesAsProduct(trimmed)) {
            // The first qualifying line wins; none before it may qualify.
            FUZZ_CHECK(product == trimmed);
            found = true;
            break;
        }
    }
    if (!found) FUZZ_CHECK(product.empty());
    return 0;
}

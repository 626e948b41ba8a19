// The board maker and product read from wmic's (or PowerShell's) two-line
// answer, and the line splitting and trimming both rely on.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/board_identity.h"
#include "probes/command_capture.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool allBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isBlank);
}

std::string trimmed(std::string_view text) {
    std::string copy(text);
    quorven::trimBlanks(copy);
    return copy;
}

void checkTrim(const std::string& input) {
    const std::string result = trimmed(input);
    FUZZ_CHECK(result.empty() || (!isBlank(result.front()) && !isBlank(result.back())));
    // Only blanks went, from the two ends. The first place the result occurs
    // is where it stood: anything before that is blank, so cannot start it.
    const std::size_t at = input.find(result);
    FUZZ_CHECK(at != std::string::npos);
    FUZZ_CHECK(allBlank(std::string_view(input).substr(0, at)));
    FUZZ_CHECK(allBlank(std::string_view(input).substr(at + result.size())));
    FUZZ_CHECK(trimmed(result) == result);
}

// The lines, each given back its line feed, are the input with one more at
// its end where it had none.
void checkSplit(const std::string& input) {
    std::string joined;
    for (std::string_view line : quorven::splitLines(input)) {
        FUZZ_CHECK(line.find('\n') == std::string_view::npos);
        joined.append(line).push_back('\n');
    }
    FUZZ_CHECK(joined == (input.empty() || input.ends_with('\n') ? input : input + '\n'));
}

// wmic puts the value on the second line, blank or not.
void checkManufacturer(std::string_view input) {
    const std::size_t first = input.find('\n');
    const std::string_view rest = first == std::string_view::npos ? "" : input.substr(first + 1);
    FUZZ_CHECK(quorven::parseManufacturer(input) == trimmed(rest.substr(0, rest.find('\n'))));
}

void checkProduct(const std::string& input) {
    const std::string product = quorven::parseProduct(input);
    FUZZ_CHECK(product.find('\n') == std::string::npos);
    FUZZ_CHECK(product != "Product");
    // Some line trims to it: no part of a line, nothing across two. It is
    // empty only when every line is blank or the header.
    bool found = product.empty(), valueless = true;
    for (std::string_view line : quorven::splitLines(input)) {
        const std::string value = trimmed(line);
        found = found || value == product;
        valueless = valueless && (value.empty() || value == "Product");
    }
    FUZZ_CHECK(found && product.empty() == valueless);

    // Lines before it that say nothing, or only the header, change nothing;
    // a line with a value before it wins; a line after it never does.
    FUZZ_CHECK(quorven::parseProduct(" Product\r\n \r\n" + input) == product);
    FUZZ_CHECK(quorven::parseProduct(" B650 \r\n" + input) == "B650");
    const std::string later = quorven::parseProduct(input + "\nB650\n");
    FUZZ_CHECK(later == (product.empty() ? "B650" : product));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string capture(quorven::fuzz::asText(data, size));
    checkTrim(capture);
    checkSplit(capture);
    checkManufacturer(capture);
    checkProduct(capture);
    return 0;
}

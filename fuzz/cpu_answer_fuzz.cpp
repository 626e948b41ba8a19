// parseCpuAnswer against the C library's own strtoll, and the choice made
// from it.

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "assess/raid_assessment.h"
#include "fuzz/fuzz_support.h"

namespace {

using quorven::fuzz::asText;

// strtoll reads a C string, so it sees the bytes before the first NUL. It is
// 64-bit, so the 32-bit bound is applied on top, and ERANGE covers numbers
// beyond even that.
std::optional<std::int32_t> referenceParse(std::string_view line) {
    const std::string terminated(line);
    const char* begin = terminated.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) return std::nullopt;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::optional<quorven::CpuVendor> expectedVendor(std::optional<std::int32_t> answer) {
    if (answer == 1) return quorven::CpuVendor::Intel;
    if (answer == 2) return quorven::CpuVendor::Amd;
    return std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // strtoll's white space is the locale's; pin the one the parser mirrors.
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = asText(data, size);

    // The reference stops at the first NUL and the parser reads the whole
    // view, yet they must always agree: a NUL is neither white space, a sign
    // nor a digit, so it ends the parser's scan in every state exactly as the
    // end of the text would. No input needs to be excluded.
    FUZZ_CHECK(quorven::parseCpuAnswer(text) == referenceParse(text));

    FUZZ_CHECK(quorven::cpuVendorFromAnswer(text) == expectedVendor(referenceParse(text)));
    return 0;
}

// Text that reaches the Linux disk list from outside: a sysfs model file.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/disk_inventory_posix.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void checkSysfsModel(std::string_view raw) {
    const std::string model = quorven::cleanSysfsModel(std::string(raw));
    FUZZ_CHECK(model.size() <= raw.size());
    FUZZ_CHECK(raw.substr(0, model.size()) == model);
    FUZZ_CHECK(model.empty() || !isBlank(model.back()));
    // Only trailing blanks went; leading ones and inner NULs stay.
    for (char c : raw.substr(model.size())) FUZZ_CHECK(isBlank(c));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkSysfsModel(quorven::fuzz::asText(data, size));
    return 0;
}

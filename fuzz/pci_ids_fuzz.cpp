// Text that reaches the chipset and the controller mode from outside: a PCI
// function's hardware and compatible IDs as SetupAPI hands them over.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "probes/pci_functions.h"

namespace {

std::string upperCased(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

quorven::PciFunction parse(const std::vector<std::string>& ids, std::size_t cut) {
    const std::vector<std::string> hardware(ids.begin(), ids.begin() + cut);
    const std::vector<std::string> compatible(ids.begin() + cut, ids.end());
    return quorven::pciFunctionFromIds(hardware, compatible, "svc");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says how many IDs are hardware IDs; the rest, split at
    // line feeds, are the IDs, any byte in them.
    if (size < 1) return 0;
    std::vector<std::string> ids(1);
    for (const char c : quorven::fuzz::asText(data + 1, size - 1)) {
        if (c == '\n') {
            ids.emplace_back();
        } else {
            ids.back() += c;
        }
    }
    const std::size_t cut = data[0] % (ids.size() + 1);
    const quorven::PciFunction function = parse(ids, cut);
    FUZZ_CHECK(function.service == "svc");
    FUZZ_CHECK(function.classCode <= 0xFFFFFF);
    // Hardware IDs come before compatible ones, so where the cut falls
    // changes nothing.
    FUZZ_CHECK(parse(ids, 0) == function);
    // A vendor or device that was read stands in some ID, in hex.
    const auto named = [&ids](const char* field, unsigned value) {
        char text[16];
        std::snprintf(text, sizeof text, "%s_%04X", field, value);
        for (const std::string& id : ids) {
            if (upperCased(id).find(text) != std::string::npos) return true;
        }
        return false;
    };
    if (function.vendor != 0) FUZZ_CHECK(named("VEN", function.vendor));
    if (function.device != 0) FUZZ_CHECK(named("DEV", function.device));
    // IDs of other buses say nothing: without them, the same function.
    std::vector<std::string> pciOnly;
    for (const std::string& id : ids) {
        if (upperCased(id).starts_with("PCI\\")) pciOnly.push_back(id);
    }
    FUZZ_CHECK(parse(pciOnly, 0) == function);
    return 0;
}

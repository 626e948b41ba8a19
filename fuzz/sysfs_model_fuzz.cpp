// Text that reaches the disk list from outside: a sysfs model file on Linux,
// and the UTF-16 strings WMI hands back on Windows.

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "probes/sysfs_disks.h"
#include "probes/wmi_disks.h"

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

// A strict UTF-8 decoder (RFC 3629): no overlong forms, no surrogates,
// nothing past U+10FFFF, no stray or missing continuation bytes. No value
// when the text is not UTF-8.
std::optional<std::vector<std::uint32_t>> decodeUtf8(std::string_view text) {
    std::vector<std::uint32_t> points;
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned lead = static_cast<unsigned char>(text[i]);
        std::size_t length;
        std::uint32_t point;
        std::uint32_t minimum;
        if (lead < 0x80) {
            points.push_back(lead);
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, point = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, point = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, point = lead & 0x07, minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < length) return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            point = (point << 6) | (next & 0x3F);
        }
        if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        points.push_back(point);
        i += length;
    }
    return points;
}

// What WideCharToMultiByte encodes: the units up to the NUL, pairs joined,
// any surrogate without its partner replaced by U+FFFD.
std::vector<std::uint32_t> expectedPoints(const std::vector<char16_t>& units) {
    std::vector<std::uint32_t> points;
    for (std::size_t i = 0; units[i] != 0;) {
        const std::uint32_t unit = units[i];
        const std::uint32_t next = units[i + 1];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        const bool low = unit >= 0xDC00 && unit < 0xE000;
        if (high && next >= 0xDC00 && next < 0xE000) {
            points.push_back(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            i += 2;
        } else {
            points.push_back(high || low ? 0xFFFD : unit);
            i += 1;
        }
    }
    return points;
}

void checkWideText(const std::uint8_t* data, std::size_t size) {
    // The bytes as UTF-16LE units, an odd last byte dropped, then the NUL a
    // BSTR carries.
    std::vector<char16_t> units(size / 2 + 1, 0);
    std::memcpy(units.data(), data, (size / 2) * sizeof(char16_t));
    const char16_t* text = units.data();

    const std::string utf8 = quorven::wideToUtf8(text, quorven::portableWideToMultiByte);
    const std::optional<std::vector<std::uint32_t>> points = decodeUtf8(utf8);
    FUZZ_CHECK(points.has_value());
    FUZZ_CHECK(*points == expectedPoints(units));

    // ASCII passes through byte for byte: each ASCII unit before the NUL is
    // one ASCII byte, and no other unit yields one.
    std::size_t asciiUnits = 0;
    for (std::size_t i = 0; units[i] != 0; ++i) asciiUnits += units[i] < 0x80;
    std::size_t asciiBytes = 0;
    for (char c : utf8) asciiBytes += static_cast<unsigned char>(c) < 0x80;
    FUZZ_CHECK(asciiBytes == asciiUnits);

    // The sizing call counts the terminator, as WideCharToMultiByte does.
    const int needed = quorven::portableWideToMultiByte(text, nullptr, 0);
    FUZZ_CHECK(needed >= 1);
    FUZZ_CHECK(static_cast<std::size_t>(needed) == utf8.size() + 1);

    // Buffers of exactly the asked size, so AddressSanitizer sees any byte
    // written past them.
    const std::unique_ptr<char[]> exact(new char[static_cast<std::size_t>(needed)]);
    FUZZ_CHECK(quorven::portableWideToMultiByte(text, exact.get(), needed) == needed);
    FUZZ_CHECK(std::string_view(exact.get(), static_cast<std::size_t>(needed) - 1) == utf8);
    FUZZ_CHECK(exact[static_cast<std::size_t>(needed) - 1] == '\0');
    if (needed > 1) {
        const std::unique_ptr<char[]> small(new char[static_cast<std::size_t>(needed) - 1]);
        FUZZ_CHECK(quorven::portableWideToMultiByte(text, small.get(), needed - 1) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FUZZ_CHECK(quorven::wideToUtf8(nullptr, quorven::portableWideToMultiByte).empty());
    FUZZ_CHECK(quorven::portableWideToMultiByte(nullptr, nullptr, 0) == 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkSysfsModel(quorven::fuzz::asText(data, size));
    checkWideText(data, size);
    return 0;
}

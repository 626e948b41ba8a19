#include "probes/device_buffers.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quorven {
namespace {

// More than any volume spans, or any list of paths or IDs holds: a count
// past it is no answer, and must not size an allocation.
constexpr std::uint32_t kMostExtents = 4096;
constexpr std::uint32_t kMostUnits = 1 << 20;

std::uint32_t readUint32(const unsigned char* at) {
    std::uint32_t value = 0;
    std::memcpy(&value, at, sizeof(value));
    return value;
}

}  // namespace

std::vector<std::u16string> readMultiString(const MultiStringCall& call, std::uint32_t firstUnits) {
    // Two units beyond what the call may fill, always zero: a string the call
    // leaves unterminated at the buffer's end still ends there.
    std::vector<char16_t> buffer(std::size_t{firstUnits} + 2, u'\0');
    CallAnswer answer = call(firstUnits == 0 ? nullptr : buffer.data(), firstUnits);
    if (!answer.ok) {
        if (answer.error != kErrorMoreData && answer.error != kErrorInsufficientBuffer) return {};
        if (answer.count == 0 || answer.count > kMostUnits) return {};
        buffer.assign(std::size_t{answer.count} + 2, u'\0');
        answer = call(buffer.data(), answer.count);
        if (!answer.ok) return {};
    }
    std::vector<std::u16string> strings;
    for (const char16_t* at = buffer.data(); *at != u'\0';) {
        std::u16string text(at);
        at += text.size() + 1;
        strings.push_back(std::move(text));
    }
    return strings;
}

std::vector<std::uint32_t> readVolumeDiskNumbers(const IoControl& query) {
    // Counted in extents, which keeps the header aligned; one extent holds
    // the header, so n + 1 of them hold n.
    struct alignas(8) Extent {
        unsigned char bytes[kExtentSize];
    };
    std::vector<Extent> storage(2);
    const auto bytes = [&storage] { return reinterpret_cast<unsigned char*>(storage.data()); };
    const auto ask = [&] {
        return query(storage.data(), static_cast<std::uint32_t>(storage.size() * kExtentSize));
    };
    CallAnswer answer = ask();
    if (!answer.ok) {
        const std::uint32_t count = readUint32(bytes());
        if (answer.error != kErrorMoreData || count > kMostExtents) return {};
        storage.assign(std::size_t{count} + 1, Extent{});
        answer = ask();
        if (!answer.ok) return {};
    }
    if (answer.count < kExtentsOffset) return {};
    const std::size_t held = (storage.size() * kExtentSize - kExtentsOffset) / kExtentSize;
    const std::size_t count = std::min<std::size_t>(
        {readUint32(bytes()), (answer.count - kExtentsOffset) / kExtentSize, held});
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < count; ++i) {
        numbers.push_back(readUint32(bytes() + kExtentsOffset + i * kExtentSize));
    }
    return numbers;
}

std::optional<BusType> readDeviceBusType(const IoControl& query) {
    // The fixed part is enough: the strings that follow it are not wanted.
    alignas(8) std::array<unsigned char, kDescriptorSize> descriptor{};
    const CallAnswer answer =
        query(descriptor.data(), static_cast<std::uint32_t>(descriptor.size()));
    if (!answer.ok || answer.count < kBusTypeOffset + sizeof(std::uint32_t)) return std::nullopt;
    return static_cast<BusType>(readUint32(descriptor.data() + kBusTypeOffset));
}

}  // namespace quorven

// What drivers hand back to the volume, disk and device-property calls: any
// bytes, any count, success or not, in as many goes as the reader asks.

#include <cstdint>
#include <cstring>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "probes/device_buffers.h"

namespace {

// Each call of the reader takes the next 9 bytes as its answer (success,
// error, count) and copies what the driver wrote, the rest of the input,
// into as much of the buffer as it is given.
struct Driver {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    int calls = 0;

    quorven::CallAnswer answer(void* buffer, std::size_t room) {
        ++calls;
        quorven::CallAnswer a;
        if (at + 9 <= size) {
            a.ok = (data[at] & 1) != 0;
            std::memcpy(&a.error, data + at + 1, 4);
            std::memcpy(&a.count, data + at + 5, 4);
            at += 9;
        }
        if (buffer != nullptr) std::memcpy(buffer, data + at, std::min(room, size - at));
        return a;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    Driver driver{data + 1, size - 1};
    switch (data[0] % 3) {
        case 0: {
            const auto strings = quorven::readMultiString(
                [&driver](char16_t* buffer, std::uint32_t units) {
                    return driver.answer(buffer, std::size_t{units} * sizeof(char16_t));
                },
                data[0] & 0x80 ? 260 : 0);
            for (const std::u16string& text : strings) {
                FUZZ_CHECK(!text.empty() && text.find(u'\0') == std::u16string::npos);
            }
            break;
        }
        case 1: {
            std::uint32_t room = 0, returned = 0;
            const auto numbers =
                quorven::readVolumeDiskNumbers([&](void* buffer, std::uint32_t bytes) {
                    const quorven::CallAnswer a = driver.answer(buffer, bytes);
                    room = bytes;
                    returned = a.count;
                    return a;
                });
            // No more extents than the answer returned, nor than its buffer held.
            if (!numbers.empty()) {
                FUZZ_CHECK(returned >= quorven::kExtentsOffset);
                const std::size_t most =
                    (std::min(room, returned) - quorven::kExtentsOffset) / quorven::kExtentSize;
                FUZZ_CHECK(numbers.size() <= most);
            }
            break;
        }
        default:
            quorven::readDeviceBusType([&driver](void* buffer, std::uint32_t bytes) {
                return driver.answer(buffer, bytes);
            });
            break;
    }
    FUZZ_CHECK(driver.calls <= 2);
    return 0;
}

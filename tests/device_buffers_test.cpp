// The answers that Windows' volume, disk and device-property calls give, as
// drivers give them, fed to the readers that the Windows glue hands them to.
// Run under AddressSanitizer too, where a read past a buffer fails the test.
#include <gtest/gtest.h>

#include <cstring>

#include "probes/device_buffers.h"

namespace quorven::testing {
namespace {

// A call that asks for room first, as SetupAPI and GetVolumePathNamesW do,
// and then writes exactly `data`, however it ends, into a buffer of `units`.
MultiStringCall writes(std::u16string data, std::uint32_t error, int* calls) {
    return [=](char16_t* buffer, std::uint32_t units) {
        ++*calls;
        const auto size = static_cast<std::uint32_t>(data.size());
        if (units < size) return CallAnswer{false, error, size};
        if (size != 0) std::memcpy(buffer, data.data(), data.size() * sizeof(char16_t));
        return CallAnswer{true, 0, size};
    };
}

TEST(DeviceBuffers, MultiStringsInOneGoOrTwoWhateverTheirEnd) {
    const std::u16string longFolder = u"E:\\" + std::u16string(300, u'm') + u"\\";
    struct Case {
        const char* name;
        std::u16string data;
        std::uint32_t error, firstUnits;
        std::vector<std::u16string> strings;
        int calls;
    };
    const Case cases[] = {
        {"a volume's paths in the first buffer",
         {u"C:\\\0D:\\\0\0", 9},
         kErrorMoreData,
         260,
         {u"C:\\", u"D:\\"},
         1},
        {"paths that need more than MAX_PATH",
         u"C:\\" + std::u16string(1, u'\0') + longFolder + std::u16string(2, u'\0'),
         kErrorMoreData,
         260,
         {u"C:\\", longFolder},
         2},
        {"a property sized first, then read",
         {u"PCI\\CC_060100\0PCI\\CC_0601\0\0", 28},
         kErrorInsufficientBuffer,
         0,
         {u"PCI\\CC_060100", u"PCI\\CC_0601"},
         2},
        // Registry data as it stands: no terminator at all, or only one.
        {"a multi-string that ends at its buffer's end",
         u"PCI\\CC_0601",
         kErrorInsufficientBuffer,
         0,
         {u"PCI\\CC_0601"},
         2},
        {"one string and one terminator",
         {u"storahci\0", 9},
         kErrorInsufficientBuffer,
         0,
         {u"storahci"},
         2},
        {"nothing", u"", kErrorInsufficientBuffer, 0, {}, 1},
    };
    for (const Case& c : cases) {
        int calls = 0;
        EXPECT_EQ(readMultiString(writes(c.data, c.error, &calls), c.firstUnits), c.strings)
            << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
    // A property the device lacks, a size past any list's, and a second
    // call that fails after all.
    int calls = 0;
    EXPECT_TRUE(readMultiString(
                    [](char16_t*, std::uint32_t) {
                        return CallAnswer{false, 13, 0};
                    },
                    0)
                    .empty());
    EXPECT_TRUE(readMultiString(
                    [](char16_t*, std::uint32_t) {
                        return CallAnswer{false, kErrorInsufficientBuffer, 0xFFFFFFFF};
                    },
                    0)
                    .empty());
    EXPECT_TRUE(readMultiString(
                    [&calls](char16_t*, std::uint32_t) {
                        return CallAnswer{false, ++calls == 1 ? kErrorMoreData : 21u, 300};
                    },
                    260)
                    .empty());
}

// A volume on `disks` as IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS answers: the
// header alone and ERROR_MORE_DATA into a buffer too small for every
// extent, else all of them; `returned` when set replaces the byte count.
IoControl extentsOf(std::vector<std::uint32_t> disks, std::optional<std::uint32_t> claimed = {},
                    std::optional<std::uint32_t> returned = {}) {
    return [=](void* buffer, std::uint32_t bytes) {
        auto* out = static_cast<unsigned char*>(buffer);
        const std::uint32_t count = claimed.value_or(static_cast<std::uint32_t>(disks.size()));
        const auto needed = static_cast<std::uint32_t>(kExtentsOffset + kExtentSize * disks.size());
        std::memcpy(out, &count, sizeof(count));
        if (bytes < needed) return CallAnswer{false, kErrorMoreData, 0};
        for (std::size_t i = 0; i < disks.size(); ++i) {
            std::memcpy(out + kExtentsOffset + i * kExtentSize, &disks[i], sizeof(disks[i]));
        }
        return CallAnswer{true, 0, returned.value_or(needed)};
    };
}

TEST(DeviceBuffers, VolumeDiskNumbersNoFurtherThanTheAnswerGoes) {
    struct Case {
        const char* name;
        IoControl query;
        std::vector<std::uint32_t> numbers;
    };
    const Case cases[] = {
        {"one disk, in the first buffer", extentsOf({1}), {1}},
        {"three disks, after ERROR_MORE_DATA", extentsOf({2, 0, 5}), {2, 0, 5}},
        {"returned shorter than the count it claims",
         extentsOf({2, 0, 5}, {}, kExtentsOffset + 2 * kExtentSize),
         {2, 0}},
        {"a count beyond the buffer", extentsOf({4}, 3, kExtentsOffset + 3 * kExtentSize), {4}},
        {"Wine's answer: no extent", extentsOf({}), {}},
        {"less than the header", extentsOf({1}, {}, 4), {}},
        {"a count past any volume", extentsOf({1, 2, 3}, 0xFFFFFFFF), {}},
        {"another error",
         [](void*, std::uint32_t) {
             return CallAnswer{false, 1, 0};
         },
         {}},
    };
    for (const Case& c : cases) EXPECT_EQ(readVolumeDiskNumbers(c.query), c.numbers) << c.name;
}

TEST(DeviceBuffers, ABusTypeOnlyFromADescriptorThatReachesIt) {
    const auto descriptor = [](std::uint32_t returned, bool ok = true) {
        return [=](void* buffer, std::uint32_t bytes) {
            EXPECT_GE(bytes, kDescriptorSize);
            const std::uint32_t nvme = 0x11;
            std::memcpy(static_cast<unsigned char*>(buffer) + kBusTypeOffset, &nvme, sizeof(nvme));
            return CallAnswer{ok, ok ? 0u : 1u, returned};
        };
    };
    EXPECT_EQ(readDeviceBusType(descriptor(kDescriptorSize)), BusType::Nvme);
    EXPECT_EQ(readDeviceBusType(descriptor(kBusTypeOffset + 4)), BusType::Nvme);
    EXPECT_EQ(readDeviceBusType(descriptor(kBusTypeOffset)), std::nullopt);
    EXPECT_EQ(readDeviceBusType(descriptor(8)), std::nullopt);
    EXPECT_EQ(readDeviceBusType(descriptor(kDescriptorSize, false)), std::nullopt);
}

}  // namespace
}  // namespace quorven::testing

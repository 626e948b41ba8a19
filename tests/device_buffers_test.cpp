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
        // The first buffer filled to its very end: only the two spare units
        // behind it end the string, and the walk, which the sanitizer
        // build checks.
        {"a first buffer filled to its end, with no terminator",
         u"PCI\\CC_0601",
         kErrorMoreData,
         11,
         {u"PCI\\CC_0601"},
         1},
    };
    for (const Case& c : cases) {
        int calls = 0;
        EXPECT_EQ(readMultiString(writes(c.data, c.error, &calls), c.firstUnits), c.strings)
            << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

// Answers that must give nothing, and how many calls each took: a property
// the device lacks, a size past any list's (1 Mi units), which must size no
// buffer and so make no second call, and a second call that fails after
// writing part of an answer.
TEST(DeviceBuffers, MultiStringsThatAreNoAnswer) {
    const auto asksFor = [](std::uint32_t units, int* calls) {
        return [=](char16_t* buffer, std::uint32_t given) {
            ++*calls;
            if (buffer == nullptr || given < units) {
                return CallAnswer{false, kErrorInsufficientBuffer, units};
            }
            buffer[0] = u'A';
            return CallAnswer{true, 0, 1};
        };
    };
    int calls = 0;
    // The largest size taken: a second call, and its answer.
    EXPECT_EQ(readMultiString(asksFor(1u << 20, &calls), 0), (std::vector<std::u16string>{u"A"}));
    EXPECT_EQ(calls, 2);
    // One unit more, or all 32 bits: no second call, and so no buffer for it.
    for (const std::uint32_t units : {(1u << 20) + 1, 0xFFFFFFFFu}) {
        calls = 0;
        EXPECT_TRUE(readMultiString(asksFor(units, &calls), 0).empty()) << units;
        ASSERT_EQ(calls, 1) << units;
    }
    calls = 0;
    EXPECT_TRUE(readMultiString(
                    [&calls](char16_t*, std::uint32_t) {
                        ++calls;
                        return CallAnswer{false, 13, 0};
                    },
                    0)
                    .empty());
    EXPECT_EQ(calls, 1);
    calls = 0;
    EXPECT_TRUE(readMultiString(
                    [&calls](char16_t* buffer, std::uint32_t units) {
                        if (++calls == 1) return CallAnswer{false, kErrorMoreData, 300};
                        const std::u16string partial(u"PCI\\VEN_8086", 12);
                        std::copy(partial.begin(), partial.end(), buffer);
                        return CallAnswer{false, 21u, units};
                    },
                    260)
                    .empty());
    EXPECT_EQ(calls, 2);
}

// Windows' layouts for x64, as <winioctl.h> declares them, written out here
// rather than taken from the readers' constants, so that those are checked
// natively too. VOLUME_DISK_EXTENTS: a DWORD count, then, from offset 8 (the
// alignment of a LARGE_INTEGER), DISK_EXTENTs of 24 bytes: the DWORD
// DiskNumber, and from offset 8 in it StartingOffset and ExtentLength.
constexpr std::size_t kFirstExtentAt = 8, kExtentBytes = 24;
// STORAGE_DEVICE_DESCRIPTOR: Version and Size, four BYTEs, four DWORD
// offsets of its strings, BusType at 28, RawPropertiesLength, and one raw
// byte, padded to 40.
constexpr std::size_t kBusTypeAt = 28, kDescriptorBytes = 40;

template <typename T>
void put(void* buffer, std::size_t at, T value) {
    std::memcpy(static_cast<unsigned char*>(buffer) + at, &value, sizeof(value));
}

// A volume on `disks` as IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS answers: the
// header alone and ERROR_MORE_DATA into a buffer too small for every
// extent, else all of them, each with its offset and length; `returned`
// when set replaces the byte count.
IoControl extentsOf(std::vector<std::uint32_t> disks, std::optional<std::uint32_t> claimed = {},
                    std::optional<std::uint32_t> returned = {}) {
    return [=](void* buffer, std::uint32_t bytes) {
        const std::uint32_t count = claimed.value_or(static_cast<std::uint32_t>(disks.size()));
        const auto needed =
            static_cast<std::uint32_t>(kFirstExtentAt + kExtentBytes * disks.size());
        put(buffer, 0, count);
        if (bytes < needed) return CallAnswer{false, kErrorMoreData, 0};
        for (std::size_t i = 0; i < disks.size(); ++i) {
            const std::size_t extent = kFirstExtentAt + i * kExtentBytes;
            put(buffer, extent, disks[i]);
            put(buffer, extent + 8, std::int64_t{1'048'576} * static_cast<std::int64_t>(i + 1));
            put(buffer, extent + 16, std::int64_t{500'107'862'016});
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
         extentsOf({2, 0, 5}, {}, kFirstExtentAt + 2 * kExtentBytes),
         {2, 0}},
        {"a count beyond the buffer", extentsOf({4}, 3, kFirstExtentAt + 3 * kExtentBytes), {4}},
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

// A descriptor as an NVMe drive's answers it, every field filled, so that a
// field read from the wrong place reads another value.
TEST(DeviceBuffers, ABusTypeOnlyFromADescriptorThatReachesIt) {
    const auto descriptor = [](std::uint32_t returned, bool ok = true) {
        return [=](void* buffer, std::uint32_t bytes) {
            EXPECT_GE(bytes, kDescriptorBytes);
            put(buffer, 0, std::uint32_t{1});              // Version
            put(buffer, 4, std::uint32_t{96});             // Size, with its strings
            put(buffer, 8, std::uint32_t{0});              // DeviceType ... CommandQueueing
            put(buffer, 12, std::uint32_t{44});            // VendorIdOffset
            put(buffer, 16, std::uint32_t{50});            // ProductIdOffset
            put(buffer, 20, std::uint32_t{70});            // ProductRevisionOffset
            put(buffer, 24, std::uint32_t{79});            // SerialNumberOffset
            put(buffer, kBusTypeAt, std::uint32_t{0x11});  // BusType: NVMe
            put(buffer, 32, std::uint32_t{0});             // RawPropertiesLength
            return CallAnswer{ok, ok ? 0u : 1u, returned};
        };
    };
    EXPECT_EQ(readDeviceBusType(descriptor(kDescriptorBytes)), BusType::Nvme);
    EXPECT_EQ(readDeviceBusType(descriptor(kBusTypeAt + 4)), BusType::Nvme);
    EXPECT_EQ(readDeviceBusType(descriptor(kBusTypeAt)), std::nullopt);
    EXPECT_EQ(readDeviceBusType(descriptor(8)), std::nullopt);
    EXPECT_EQ(readDeviceBusType(descriptor(kDescriptorBytes, false)), std::nullopt);
}

}  // namespace
}  // namespace quorven::testing

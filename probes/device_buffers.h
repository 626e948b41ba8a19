#pragma once
// What Windows' volume, disk and device-property calls hand back, read as a
// driver may fill it: short, in two goes, or without its terminator. Each
// reader takes its call as a function over a buffer, so that tests answer
// as drivers do; the Windows side passes the real call.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

/// One call's outcome: success, the error when it failed, and the count it
/// gave back (written, returned or needed, in the call's own unit).
struct CallAnswer {
    bool ok = false;
    std::uint32_t error = 0;
    std::uint32_t count = 0;
};

inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;
inline constexpr std::uint32_t kErrorMoreData = 234;

/// Fills `buffer`, which holds `units` UTF-16 units (none: null), with a
/// multi-string; on a buffer too small, fails with one of the two errors
/// above and the units it needs.
using MultiStringCall = std::function<CallAnswer(char16_t* buffer, std::uint32_t units)>;

/// The strings of a multi-string that `call` gives, first into `firstUnits`
/// units, then into as many as it asks for. The strings end at an empty one
/// or at the end of what the call wrote, terminator or not.
std::vector<std::u16string> readMultiString(const MultiStringCall& call, std::uint32_t firstUnits);

/// An IOCTL into `buffer` of `bytes`; the count is the bytes returned.
using IoControl = std::function<CallAnswer(void* buffer, std::uint32_t bytes)>;

/// IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS: the number of the disk under each
/// extent. A volume on several disks first says only how many extents it
/// has (ERROR_MORE_DATA); no more extents are read than were returned.
std::vector<std::uint32_t> readVolumeDiskNumbers(const IoControl& query);

/// IOCTL_STORAGE_QUERY_PROPERTY's STORAGE_DEVICE_DESCRIPTOR: its bus type,
/// or none when the answer stops before it.
std::optional<BusType> readDeviceBusType(const IoControl& query);

/// The layouts these readers assume, which the Windows side checks against
/// <winioctl.h>.
inline constexpr std::size_t kExtentsOffset = 8;
inline constexpr std::size_t kExtentSize = 24;
inline constexpr std::size_t kDescriptorSize = 40;
inline constexpr std::size_t kBusTypeOffset = 28;

}  // namespace quorven

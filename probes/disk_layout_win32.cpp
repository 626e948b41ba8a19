#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>

#include "probes/device_buffers.h"
#include "probes/disk_layout.h"
#include "win32/owned.h"
#include "win32/wide_text.h"

namespace quorven {
namespace {

// The layouts that the portable readers of these answers assume.
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) == kExtentsOffset);
static_assert(sizeof(DISK_EXTENT) == kExtentSize && offsetof(DISK_EXTENT, DiskNumber) == 0);
static_assert(ERROR_MORE_DATA == kErrorMoreData);
static_assert(ERROR_INSUFFICIENT_BUFFER == kErrorInsufficientBuffer);

// No access rights asked for, as for the bus type: any user may open a
// drive or a volume this way, and the two queries below need no more.
Owned<CloseHandle> openForQuery(const wchar_t* path) {
    return own<CloseHandle>(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
}

std::optional<std::uint32_t> diskNumber(const std::string& deviceId) {
    const int size = MultiByteToWideChar(CP_UTF8, 0, deviceId.c_str(), -1, nullptr, 0);
    if (size <= 0) return std::nullopt;
    std::wstring path(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, deviceId.c_str(), -1, path.data(), size);
    const Owned<CloseHandle> drive = openForQuery(path.c_str());
    if (!drive) return std::nullopt;
    STORAGE_DEVICE_NUMBER number{};
    DWORD returned = 0;
    if (!DeviceIoControl(drive.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number,
                         sizeof(number), &returned, nullptr) ||
        returned < sizeof(number)) {
        return std::nullopt;
    }
    return number.DeviceNumber;
}

std::vector<std::string> volumePathNames(const wchar_t* volume) {
    return utf8(readMultiString(
        [volume](char16_t* buffer, std::uint32_t units) {
            DWORD needed = 0;
            const BOOL ok = GetVolumePathNamesForVolumeNameW(
                volume, reinterpret_cast<wchar_t*>(buffer), units, &needed);
            return CallAnswer{ok != FALSE, ok ? 0u : GetLastError(), needed};
        },
        MAX_PATH));
}

std::vector<std::uint32_t> volumeDiskNumbers(std::wstring volume) {
    // With its trailing backslash the GUID path names the root folder of the
    // volume's file system; without it, the volume.
    if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
    const Owned<CloseHandle> handle = openForQuery(volume.c_str());
    if (!handle) return {};
    return readVolumeDiskNumbers([&handle](void* buffer, std::uint32_t bytes) {
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr,
                                        0, buffer, bytes, &returned, nullptr);
        return CallAnswer{ok != FALSE, ok ? 0u : GetLastError(), returned};
    });
}

std::vector<VolumeFacts> readVolumes() {
    wchar_t name[MAX_PATH] = {};
    const Owned<FindVolumeClose> search = own<FindVolumeClose>(FindFirstVolumeW(name, MAX_PATH));
    std::vector<VolumeFacts> volumes;
    if (!search) return volumes;
    do {
        volumes.push_back({volumePathNames(name), volumeDiskNumbers(name)});
    } while (FindNextVolumeW(search.get(), name, MAX_PATH));
    return volumes;
}

// GetWindowsDirectoryW may give a folder of the user's own under Terminal
// Services; this is the one Windows runs from.
std::string windowsFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return utf8(folder, length);
}

// No Wine scenario reaches the facts that these calls give: under Wine 8
// WMI's DeviceID does not open (its backslashes come doubled, error 3), and
// the volumes C: and Z: open but lie on 0 extents. So each call stays a few
// lines: how its answer is read lives in probes/device_buffers, and the
// rules that turn the facts into the report's lines in assess/before_build,
// each with tests.
class Win32DiskLayoutReader final : public DiskLayoutReader {
  public:
    DiskLayout readLayout(const std::vector<DiskRecord>& disks) override {
        DiskLayout layout;
        for (const DiskRecord& disk : disks)
            layout.diskNumbers.push_back(diskNumber(disk.deviceId));
        layout.volumes = readVolumes();
        layout.windowsFolder = windowsFolder();
        return layout;
    }
};

}  // namespace

std::unique_ptr<DiskLayoutReader> makeDiskLayoutReader() {
    return std::make_unique<Win32DiskLayoutReader>();
}

}  // namespace quorven

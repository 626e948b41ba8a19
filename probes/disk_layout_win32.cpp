#include <windows.h>
#include <winioctl.h>
#include <setupapi.h>
#include <devguid.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>

#include "probes/disk_layout.h"

namespace quorven {
namespace {

// Owns a handle from a call that fails with INVALID_HANDLE_VALUE, and gives
// it back with `close`.
template <auto close>
struct Closer {
    void operator()(HANDLE handle) const { close(handle); }
};
template <auto close>
using Owned = std::unique_ptr<void, Closer<close>>;
template <auto close>
Owned<close> own(HANDLE handle) {
    return Owned<close>(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

std::string utf8(const wchar_t* text, std::size_t length) {
    if (length == 0) return {};
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wide, result.data(), size, nullptr, nullptr);
    return result;
}

// The strings of a multi-string, which an empty string ends. The buffer must
// end in two NULs whatever the call wrote, so that no string runs past it.
std::vector<std::string> multiString(const std::vector<wchar_t>& buffer) {
    std::vector<std::string> strings;
    for (const wchar_t* at = buffer.data(); *at != L'\0'; at += std::wcslen(at) + 1) {
        strings.push_back(utf8(at, std::wcslen(at)));
    }
    return strings;
}

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
    std::vector<wchar_t> names(MAX_PATH + 2, L'\0');
    DWORD needed = 0;
    if (!GetVolumePathNamesForVolumeNameW(volume, names.data(), MAX_PATH, &needed)) {
        if (GetLastError() != ERROR_MORE_DATA) return {};
        names.assign(needed + 2, L'\0');
        if (!GetVolumePathNamesForVolumeNameW(volume, names.data(), needed, &needed)) return {};
    }
    return multiString(names);
}

std::vector<std::uint32_t> volumeDiskNumbers(std::wstring volume) {
    // With its trailing backslash the GUID path names the root folder of the
    // volume's file system; without it, the volume.
    if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
    const Owned<CloseHandle> handle = openForQuery(volume.c_str());
    if (!handle) return {};
    // Counted in extents, which keeps the header aligned; one extent holds
    // the header, so n + 1 of them hold n.
    std::vector<DISK_EXTENT> storage(2);
    const auto header = [&storage] {
        return reinterpret_cast<const VOLUME_DISK_EXTENTS*>(storage.data());
    };
    DWORD returned = 0;
    const auto query = [&] {
        return DeviceIoControl(
            handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, storage.data(),
            static_cast<DWORD>(storage.size() * sizeof(DISK_EXTENT)), &returned, nullptr);
    };
    if (!query()) {
        // A volume on several disks says how many extents it has, and no more.
        if (GetLastError() != ERROR_MORE_DATA) return {};
        storage.resize(header()->NumberOfDiskExtents + std::size_t{1});
        if (!query()) return {};
    }
    constexpr DWORD kFirstExtent = offsetof(VOLUME_DISK_EXTENTS, Extents);
    if (returned < kFirstExtent) return {};
    const std::size_t count = std::min<std::size_t>(
        header()->NumberOfDiskExtents, (returned - kFirstExtent) / sizeof(DISK_EXTENT));
    std::vector<std::uint32_t> numbers;
    for (std::size_t i = 0; i < count; ++i) numbers.push_back(header()->Extents[i].DiskNumber);
    return numbers;
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

// A REG_SZ or REG_MULTI_SZ property as its strings. A device that lacks the
// property fails with error 13 (ERROR_INVALID_DATA): it has none.
std::vector<std::string> deviceStrings(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD size = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, nullptr, 0,
                                           &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return {};
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                           reinterpret_cast<BYTE*>(buffer.data()), size, nullptr)) {
        return {};
    }
    return multiString(buffer);
}

void readControllers(const GUID& setupClass, std::vector<ControllerFacts>& controllers) {
    const Owned<SetupDiDestroyDeviceInfoList> devices = own<SetupDiDestroyDeviceInfoList>(
        SetupDiGetClassDevsW(&setupClass, nullptr, nullptr, DIGCF_PRESENT));
    if (!devices) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices.get(), i, &device); ++i) {
        const std::vector<std::string> service =
            deviceStrings(devices.get(), device, SPDRP_SERVICE);
        controllers.push_back({deviceStrings(devices.get(), device, SPDRP_COMPATIBLEIDS),
                               service.empty() ? std::string() : service.front()});
    }
}

// No Wine scenario reaches the facts that these calls give: under Wine 8
// WMI's DeviceID does not open (its backslashes come doubled, error 3), the
// volumes C: and Z: open but lie on 0 extents, and SetupAPI lists no device
// of either controller class. So each call stays a few lines, and the rules
// that turn the facts into the report's lines, with their tests, live in
// assess/before_build.
class Win32DiskLayoutReader final : public DiskLayoutReader {
  public:
    DiskLayout readLayout(const std::vector<DiskRecord>& disks) override {
        DiskLayout layout;
        for (const DiskRecord& disk : disks)
            layout.diskNumbers.push_back(diskNumber(disk.deviceId));
        layout.volumes = readVolumes();
        layout.windowsFolder = windowsFolder();
        // IDE ATA/ATAPI controllers, where Windows puts AHCI ones, then
        // storage controllers, where RST in RAID mode, VMD, AMD's RAID and
        // NVMe controllers sit.
        readControllers(GUID_DEVCLASS_HDC, layout.controllers);
        readControllers(GUID_DEVCLASS_SCSIADAPTER, layout.controllers);
        return layout;
    }
};

}  // namespace

std::unique_ptr<DiskLayoutReader> makeDiskLayoutReader() {
    return std::make_unique<Win32DiskLayoutReader>();
}

}  // namespace quorven

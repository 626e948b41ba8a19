#include <windows.h>

#include "probes/platform_probes.h"

namespace quorven {
namespace {

std::optional<RegistryValue> readSecureBootState() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                      0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof(number);
    const LSTATUS status = RegQueryValueExA(key, "UEFISecureBootEnabled", nullptr, &type,
                                            reinterpret_cast<BYTE*>(&number), &size);
    RegCloseKey(key);
    // Too large for a DWORD: its size alone rules it out.
    if (status == ERROR_MORE_DATA) return RegistryValue{type, size, 0};
    if (status != ERROR_SUCCESS) return std::nullopt;
    return RegistryValue{type, size, number};
}

std::optional<std::uint32_t> readTpmDeviceInfo() {
    // Loaded from the system folder only: tbs.dll is no KnownDLL, so an
    // import, or a plain LoadLibrary, would look beside quorven.exe first.
    const HMODULE tbs = LoadLibraryExA("tbs.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (tbs == nullptr) return std::nullopt;
    using GetDeviceInfo = UINT32(WINAPI*)(UINT32 size, PVOID info);
    const auto getDeviceInfo = reinterpret_cast<GetDeviceInfo>(
        reinterpret_cast<void*>(GetProcAddress(tbs, "Tbsi_GetDeviceInfo")));
    std::optional<std::uint32_t> result;
    if (getDeviceInfo != nullptr) {
        // TPM_DEVICE_INFO: four 32-bit values.
        UINT32 info[4] = {};
        result = getDeviceInfo(sizeof(info), info);
    }
    FreeLibrary(tbs);
    return result;
}

}  // namespace

ProbeTable platformProbeTable() {
    ProbeTable table = windowsProbeTable();
    // Without admin rights Get-Tpm and Confirm-SecureBootUEFI print nothing
    // on standard output, only an error on standard error. Windows tells
    // every user the same directly.
    table.tpm.secondSource = [] { return tpmWordFromDeviceInfo(readTpmDeviceInfo()); };
    table.secureBoot.secondSource = [] {
        return secureBootWordFromRegistry(readSecureBootState());
    };
    return table;
}

}  // namespace quorven

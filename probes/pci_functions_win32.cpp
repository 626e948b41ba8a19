#include <windows.h>
#include <setupapi.h>

#include "probes/pci_functions.h"
#include "win32/owned.h"
#include "win32/wide_text.h"

namespace quorven {
namespace {

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

// Every present device that the PCI bus enumerated, whatever its class: the
// chipset's bridge is in class System, the disk controllers in two others.
// No rights are needed. Under Wine this lists what a test plants in the
// prefix's registry, so its scenarios reach these calls.
std::vector<PciFunction> readPciFunctions() {
    const Owned<SetupDiDestroyDeviceInfoList> devices = own<SetupDiDestroyDeviceInfoList>(
        SetupDiGetClassDevsW(nullptr, L"PCI", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT));
    std::vector<PciFunction> functions;
    if (!devices) return functions;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(devices.get(), i, &device); ++i) {
        const std::vector<std::string> service =
            deviceStrings(devices.get(), device, SPDRP_SERVICE);
        functions.push_back(
            pciFunctionFromIds(deviceStrings(devices.get(), device, SPDRP_HARDWAREID),
                               deviceStrings(devices.get(), device, SPDRP_COMPATIBLEIDS),
                               service.empty() ? std::string() : service.front()));
    }
    return functions;
}

}  // namespace

std::unique_ptr<PciLister> makePciLister() {
    return makeReadAheadPciLister(readPciFunctions);
}

}  // namespace quorven

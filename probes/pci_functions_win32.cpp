#include <windows.h>
#include <setupapi.h>

#include "probes/device_buffers.h"
#include "probes/pci_functions.h"
#include "win32/owned.h"
#include "win32/wide_text.h"

namespace quorven {
namespace {

// A REG_SZ or REG_MULTI_SZ property as its strings: asked for its size
// first, then read. The data is the registry's as it stands, terminated or
// not. A device that lacks the property fails with error 13
// (ERROR_INVALID_DATA): it has none.
std::vector<std::string> deviceStrings(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    return utf8(readMultiString(
        [&](char16_t* buffer, std::uint32_t units) {
            DWORD bytes = 0;
            const BOOL ok = SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                                              reinterpret_cast<BYTE*>(buffer),
                                                              units * sizeof(char16_t), &bytes);
            return CallAnswer{ok != FALSE, ok ? 0u : GetLastError(),
                              static_cast<std::uint32_t>((bytes + 1) / sizeof(char16_t))};
        },
        0));
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

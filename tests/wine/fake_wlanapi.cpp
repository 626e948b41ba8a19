// A stand-in for the WLAN service's wlanapi.dll, copied over the prefix's
// system32 copy so that the second source of the Wi-Fi line meets a PC with
// Wi-Fi. QUORVEN_FAKE_WLAN picks the PC: "connected"; "radio-off" (one
// interface whose software switch is off); "open-fails" (the service does
// not run); unset, no wireless interface, as Wine's own, and silent. Every
// call is logged, so that a scenario sees each allocation come back through
// WlanFreeMemory and the handle closed.
#include <windows.h>
#include <wlanapi.h>

#include <cstdlib>
#include <cstring>

#include "fake_common.h"

namespace {

void log(const std::string& line) {
    if (!fake::env("QUORVEN_FAKE_WLAN").empty()) fake::log("wlanapi: " + line);
}

const HANDLE kClient = reinterpret_cast<HANDLE>(0x5A17);

void* allocate(std::size_t size) {
    return std::calloc(1, size);
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI
    WlanOpenHandle(DWORD version, PVOID, PDWORD negotiated, PHANDLE client) {
    log("WlanOpenHandle " + std::to_string(version));
    if (fake::env("QUORVEN_FAKE_WLAN") == "open-fails") return ERROR_SERVICE_NOT_ACTIVE;
    *negotiated = 2;
    *client = kClient;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI WlanCloseHandle(HANDLE client, PVOID) {
    log(client == kClient ? "WlanCloseHandle" : "WlanCloseHandle wrong");
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI
    WlanEnumInterfaces(HANDLE client, PVOID, PWLAN_INTERFACE_INFO_LIST* list) {
    log("WlanEnumInterfaces");
    if (client != kClient) return ERROR_INVALID_HANDLE;
    const std::string pc = fake::env("QUORVEN_FAKE_WLAN");
    const DWORD count = pc == "connected" || pc == "radio-off" ? 1 : 0;
    // The list's array is a flexible member here: sizeof leaves it out.
    auto* made = static_cast<PWLAN_INTERFACE_INFO_LIST>(
        allocate(sizeof(WLAN_INTERFACE_INFO_LIST) + count * sizeof(WLAN_INTERFACE_INFO)));
    made->dwNumberOfItems = count;
    if (count == 1) {
        made->InterfaceInfo[0].isState =
            pc == "connected" ? wlan_interface_state_connected : wlan_interface_state_disconnected;
        std::memcpy(made->InterfaceInfo[0].strInterfaceDescription,
                    L"Intel(R) Wi-Fi 6 AX201 160MHz", sizeof(L"Intel(R) Wi-Fi 6 AX201 160MHz"));
    }
    *list = made;
    return ERROR_SUCCESS;
}

__declspec(dllexport) DWORD WINAPI
    WlanQueryInterface(HANDLE client, const GUID*, WLAN_INTF_OPCODE opcode, PVOID, PDWORD size,
                       PVOID* data, PWLAN_OPCODE_VALUE_TYPE) {
    if (client != kClient || opcode != wlan_intf_opcode_radio_state) {
        log("WlanQueryInterface, not for the radio state");
        return ERROR_INVALID_PARAMETER;
    }
    log("WlanQueryInterface radio state");
    // The whole structure, all 64 PHYs, of which the count names one: the
    // first has its software switch off, and those past the count would
    // read as on.
    auto* radio = static_cast<PWLAN_RADIO_STATE>(allocate(sizeof(WLAN_RADIO_STATE)));
    radio->dwNumberOfPhys = 1;
    for (DWORD i = 0; i < WLAN_MAX_PHY_INDEX; ++i) {
        radio->PhyRadioState[i].dwPhyIndex = i;
        radio->PhyRadioState[i].dot11SoftwareRadioState =
            i == 0 ? dot11_radio_state_off : dot11_radio_state_on;
        radio->PhyRadioState[i].dot11HardwareRadioState = dot11_radio_state_on;
    }
    *size = sizeof(WLAN_RADIO_STATE);
    *data = radio;
    return ERROR_SUCCESS;
}

__declspec(dllexport) VOID WINAPI WlanFreeMemory(PVOID memory) {
    log("WlanFreeMemory");
    std::free(memory);
}

}  // extern "C"

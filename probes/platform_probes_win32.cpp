#include <windows.h>
#include <wlanapi.h>

#include <algorithm>
#include <cstddef>

#include "probes/platform_probes.h"

namespace quorven {
namespace {

#ifdef TBS_E_TPM_NOT_FOUND
static_assert(kTpmNotFound == static_cast<std::uint32_t>(TBS_E_TPM_NOT_FOUND));
#endif

RegistryDword readSecureBootState() {
    // Zeroed first: a value shorter than a DWORD fills only part of it.
    DWORD number = 0;
    DWORD size = sizeof(number);
    const LSTATUS status =
        RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\SecureBoot\\State",
                     "UEFISecureBootEnabled", RRF_RT_REG_DWORD, nullptr, &number, &size);
    return RegistryDword{static_cast<std::int32_t>(status), size, number};
}

// A DLL from the system folder only, never through the import table: neither
// tbs.dll nor wlanapi.dll is a KnownDLL, so an import, or a plain
// LoadLibrary, would look beside quorven.exe first; and Windows Server may
// have no wlanapi.dll at all.
class SystemLibrary {
  public:
    explicit SystemLibrary(const char* name)
        : module_(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    ~SystemLibrary() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    /// The function, typed as its declaration; null when it is missing.
    template <typename Function>
    Function function(const char* name) const {
        if (module_ == nullptr) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

  private:
    HMODULE module_;
};

std::optional<std::uint32_t> readTpmDeviceInfo() {
    const SystemLibrary tbs("tbs.dll");
    // MinGW's <tbs.h> declares neither the function nor TPM_DEVICE_INFO,
    // which is four 32-bit values.
    using GetDeviceInfo = UINT32(WINAPI*)(UINT32 size, PVOID info);
    const auto getDeviceInfo = tbs.function<GetDeviceInfo>("Tbsi_GetDeviceInfo");
    if (getDeviceInfo == nullptr) return std::nullopt;
    UINT32 info[4] = {};
    return getDeviceInfo(sizeof(info), info);
}

// The WLAN service's calls. The types come from <wlanapi.h>; decltype adds
// no import.
struct WlanCalls {
    explicit WlanCalls(const SystemLibrary& wlan)
        : open(wlan.function<decltype(&WlanOpenHandle)>("WlanOpenHandle")),
          close(wlan.function<decltype(&WlanCloseHandle)>("WlanCloseHandle")),
          enumerate(wlan.function<decltype(&WlanEnumInterfaces)>("WlanEnumInterfaces")),
          query(wlan.function<decltype(&WlanQueryInterface)>("WlanQueryInterface")),
          free(wlan.function<decltype(&WlanFreeMemory)>("WlanFreeMemory")) {}
    bool complete() const { return open && close && enumerate && query && free; }

    decltype(&WlanOpenHandle) open;
    decltype(&WlanCloseHandle) close;
    decltype(&WlanEnumInterfaces) enumerate;
    decltype(&WlanQueryInterface) query;
    decltype(&WlanFreeMemory) free;
};

class WlanClient {
  public:
    WlanClient(const WlanCalls& calls, HANDLE handle) : calls_(calls), handle_(handle) {}
    WlanClient(const WlanClient&) = delete;
    WlanClient& operator=(const WlanClient&) = delete;
    ~WlanClient() { calls_.close(handle_, nullptr); }
    HANDLE get() const { return handle_; }

  private:
    const WlanCalls& calls_;
    HANDLE handle_;
};

// What the service hands out, given back to it with WlanFreeMemory.
class WlanMemory {
  public:
    explicit WlanMemory(const WlanCalls& calls) : calls_(calls) {}
    WlanMemory(const WlanMemory&) = delete;
    WlanMemory& operator=(const WlanMemory&) = delete;
    ~WlanMemory() {
        if (data_ != nullptr) calls_.free(data_);
    }
    template <typename T>
    T* as() const {
        return static_cast<T*>(data_);
    }
    PVOID* out() { return &data_; }

  private:
    const WlanCalls& calls_;
    PVOID data_ = nullptr;
};

// The PHYs that the reported size really holds. MinGW declares the PHY array
// with its full 64 entries, but the interface list as a flexible array, so
// neither is sized by sizeof here.
std::vector<WlanPhy> radioPhys(const WLAN_RADIO_STATE& radio, DWORD size) {
    constexpr std::size_t kFirstPhy = offsetof(WLAN_RADIO_STATE, PhyRadioState);
    if (size < kFirstPhy) return {};
    const std::size_t count = std::min<std::size_t>(
        {radio.dwNumberOfPhys, (size - kFirstPhy) / sizeof(WLAN_PHY_RADIO_STATE),
         WLAN_MAX_PHY_INDEX});
    std::vector<WlanPhy> phys;
    for (std::size_t i = 0; i < count; ++i) {
        const WLAN_PHY_RADIO_STATE& phy = radio.PhyRadioState[i];
        phys.push_back({static_cast<RadioState>(phy.dot11SoftwareRadioState),
                        static_cast<RadioState>(phy.dot11HardwareRadioState)});
    }
    return phys;
}

std::optional<std::vector<WlanInterface>> readWlanInterfaces() {
    const SystemLibrary wlan("wlanapi.dll");
    const WlanCalls calls(wlan);
    if (!calls.complete()) return std::nullopt;
    DWORD negotiated = 0;
    HANDLE handle = nullptr;
    // Fails where the WLAN service does not run: a desktop without Wi-Fi.
    if (calls.open(2, nullptr, &negotiated, &handle) != ERROR_SUCCESS) return std::nullopt;
    const WlanClient client(calls, handle);
    WlanMemory listMemory(calls);
    if (calls.enumerate(client.get(), nullptr,
                        reinterpret_cast<PWLAN_INTERFACE_INFO_LIST*>(listMemory.out())) !=
            ERROR_SUCCESS ||
        listMemory.as<WLAN_INTERFACE_INFO_LIST>() == nullptr) {
        return std::nullopt;
    }
    const WLAN_INTERFACE_INFO_LIST& list = *listMemory.as<WLAN_INTERFACE_INFO_LIST>();
    std::vector<WlanInterface> interfaces(list.dwNumberOfItems);
    for (DWORD i = 0; i < list.dwNumberOfItems; ++i) {
        if (list.InterfaceInfo[i].isState == wlan_interface_state_connected) {
            interfaces[i].connected = true;
            return interfaces;
        }
    }
    for (DWORD i = 0; i < list.dwNumberOfItems; ++i) {
        WlanMemory radio(calls);
        DWORD size = 0;
        // The service checks a permission list and may refuse: that
        // interface then says nothing.
        if (calls.query(client.get(), &list.InterfaceInfo[i].InterfaceGuid,
                        wlan_intf_opcode_radio_state, nullptr, &size, radio.out(),
                        nullptr) == ERROR_SUCCESS &&
            radio.as<WLAN_RADIO_STATE>() != nullptr) {
            interfaces[i].phys = radioPhys(*radio.as<WLAN_RADIO_STATE>(), size);
        }
    }
    return interfaces;
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
    // The command keeps only adapters named 802.11n, which no Wi-Fi 5, 6 or 7
    // adapter is, and says "Disconnected" for a radio that is on but not
    // connected: the WLAN service knows the interfaces and their radios.
    table.wifi.secondSource = [] { return wifiWordFromWlan(readWlanInterfaces()); };
    return table;
}

}  // namespace quorven

// One COM call per operation: the order, the messages and who releases what
// live in the portable enumeration, whose ledger test checks the release order
// on every failure path, which no Wine run can reach.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>
#include <winioctl.h>

#include <cstddef>

#include "probes/device_buffers.h"
#include "probes/wmi_disks.h"

namespace quorven {
namespace {

static_assert(sizeof(VARIANT) == sizeof(VariantStorage), "VariantStorage must hold a VARIANT");
static_assert(alignof(VARIANT) <= alignof(VariantStorage), "VariantStorage is under-aligned");
static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

VARIANT* asVariant(VariantStorage& storage) {
    return reinterpret_cast<VARIANT*>(storage.bytes);
}
const VARIANT* asVariant(const VariantStorage& storage) {
    return reinterpret_cast<const VARIANT*>(storage.bytes);
}
const wchar_t* wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// The opaque roles stand for these interfaces and nothing else.
BSTR com(WmiString* text) {
    return reinterpret_cast<BSTR>(text);
}
IWbemLocator* com(WmiLocator* locator) {
    return reinterpret_cast<IWbemLocator*>(locator);
}
IWbemServices* com(WmiServices* services) {
    return reinterpret_cast<IWbemServices*>(services);
}
IEnumWbemClassObject* com(WmiEnumerator* enumerator) {
    return reinterpret_cast<IEnumWbemClassObject*>(enumerator);
}
IWbemClassObject* com(WmiObject* object) {
    return reinterpret_cast<IWbemClassObject*>(object);
}
template <typename Role, typename Interface>
Role* role(Interface* object) {
    return reinterpret_cast<Role*>(object);
}

class Win32WmiApi final : public WmiApi {
  public:
    HResult initialize() override { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void uninitialize() override { CoUninitialize(); }
    HResult initializeSecurity() override {
        return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    HResult createLocator(WmiLocator*& locator) override {
        IWbemLocator* created = nullptr;
        const HRESULT result =
            CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                             reinterpret_cast<void**>(&created));
        locator = role<WmiLocator>(created);
        return result;
    }
    WmiString* allocString(const char16_t* text) override {
        return role<WmiString>(SysAllocString(wide(text)));
    }
    void freeString(WmiString* text) override { SysFreeString(com(text)); }
    HResult connectServer(WmiLocator* locator, WmiString* nameSpace,
                          WmiServices*& services) override {
        IWbemServices* connected = nullptr;
        const HRESULT result = com(locator)->ConnectServer(
            com(nameSpace), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &connected);
        services = role<WmiServices>(connected);
        return result;
    }
    HResult setProxyBlanket(WmiServices* services) override {
        return CoSetProxyBlanket(com(services), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE);
    }
    HResult execQuery(WmiServices* services, WmiString* language, WmiString* query,
                      WmiEnumerator*& enumerator) override {
        IEnumWbemClassObject* created = nullptr;
        const HRESULT result = com(services)->ExecQuery(
            com(language), com(query), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
            nullptr, &created);
        enumerator = role<WmiEnumerator>(created);
        return result;
    }
    HResult next(WmiEnumerator* enumerator, WmiObject*& object, std::uint32_t& returned) override {
        IWbemClassObject* got = nullptr;
        ULONG count = 0;
        const HRESULT result =
            com(enumerator)->Next(static_cast<LONG>(WBEM_INFINITE), 1, &got, &count);
        object = role<WmiObject>(got);
        returned = count;
        return result;
    }
    void release(WmiLocator* locator) override { com(locator)->Release(); }
    void release(WmiServices* services) override { com(services)->Release(); }
    void release(WmiEnumerator* enumerator) override { com(enumerator)->Release(); }
    void release(WmiObject* object) override { com(object)->Release(); }
    void variantInit(VariantStorage& variant) override { VariantInit(asVariant(variant)); }
    HResult get(WmiObject* object, const char16_t* name, VariantStorage& variant) override {
        return com(object)->Get(wide(name), 0, asVariant(variant), nullptr, nullptr);
    }
    const char16_t* variantString(const VariantStorage& variant) override {
        const VARIANT* value = asVariant(variant);
        if (value->vt != VT_BSTR) return nullptr;
        return reinterpret_cast<const char16_t*>(value->bstrVal);
    }
    void variantClear(VariantStorage& variant) override { VariantClear(asVariant(variant)); }
    int wideToMultiByte(const char16_t* text, char* out, int outSize) override {
        return WideCharToMultiByte(CP_UTF8, 0, wide(text), -1, out, outSize, nullptr, nullptr);
    }
};

static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == kDescriptorSize);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == kBusTypeOffset);

// <winioctl.h>'s numbering, not <ntddstor.h>'s older list, which lacks NVMe.
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Ieee1394) == BusType1394);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Usb) == BusTypeUsb);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Raid) == BusTypeRAID);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Sd) == BusTypeSd);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Mmc) == BusTypeMmc);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Virtual) == BusTypeVirtual);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::FileBackedVirtual) ==
              BusTypeFileBackedVirtual);
static_assert(static_cast<STORAGE_BUS_TYPE>(BusType::Nvme) == BusTypeNvme);

// The drive's own word on its bus, asked of every drive: one open and one
// call each. No access rights are asked for, so any user may open the drive
// for this query.
//
// No Wine run gets past the open: WMI under Wine gives the DeviceID with
// doubled backslashes ("\\\\.\\PHYSICALDRIVE0"), which every open refuses
// with error 3, so the drive keeps no bus and is classified by its texts.
// The rules that read the bus, and the reading of a driver's answer, are
// tested in-process instead.
std::optional<BusType> queryBusType(const std::string& deviceId) {
    const HANDLE drive = CreateFileA(deviceId.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) return std::nullopt;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    const std::optional<BusType> bus = readDeviceBusType([&](void* buffer, std::uint32_t bytes) {
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof(query),
                                        buffer, bytes, &returned, nullptr);
        return CallAnswer{ok != FALSE, ok ? 0u : GetLastError(), returned};
    });
    CloseHandle(drive);
    return bus;
}

class WmiDiskLister final : public DiskLister {
  public:
    DiskInventory listDisks() override {
        Win32WmiApi api;
        return listDisksThroughWmi(api, queryBusType);
    }
};

}  // namespace

std::unique_ptr<DiskLister> makeDiskLister() {
    return std::make_unique<WmiDiskLister>();
}

}  // namespace quorven

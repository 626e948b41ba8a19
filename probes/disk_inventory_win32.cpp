// One COM call per operation: the order, the messages and who releases what
// live in the portable enumeration, whose ledger test checks the release order
// on every failure path, which no Wine run can reach.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

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
BSTR bstr(ComRef ref) {
    return static_cast<BSTR>(ref);
}

class Win32WmiApi final : public WmiApi {
  public:
    HResult initialize() override { return CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
    void uninitialize() override { CoUninitialize(); }
    HResult initializeSecurity() override {
        return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                    RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    }
    HResult createLocator(ComRef& locator) override {
        IWbemLocator* created = nullptr;
        const HRESULT result =
            CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                             reinterpret_cast<void**>(&created));
        locator = created;
        return result;
    }
    ComRef allocString(const char16_t* text) override { return SysAllocString(wide(text)); }
    void freeString(ComRef text) override { SysFreeString(bstr(text)); }
    HResult connectServer(ComRef locator, ComRef nameSpace, ComRef& services) override {
        IWbemServices* connected = nullptr;
        const HRESULT result = static_cast<IWbemLocator*>(locator)->ConnectServer(
            bstr(nameSpace), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &connected);
        services = connected;
        return result;
    }
    HResult setProxyBlanket(ComRef services) override {
        return CoSetProxyBlanket(static_cast<IUnknown*>(static_cast<IWbemServices*>(services)),
                                 RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE);
    }
    HResult execQuery(ComRef services, ComRef language, ComRef query, ComRef& enumerator) override {
        IEnumWbemClassObject* created = nullptr;
        const HRESULT result = static_cast<IWbemServices*>(services)->ExecQuery(
            bstr(language), bstr(query), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
            nullptr, &created);
        enumerator = created;
        return result;
    }
    HResult next(ComRef enumerator, ComRef& object, std::uint32_t& returned) override {
        IWbemClassObject* got = nullptr;
        ULONG count = 0;
        const HRESULT result = static_cast<IEnumWbemClassObject*>(enumerator)
                                   ->Next(static_cast<LONG>(WBEM_INFINITE), 1, &got, &count);
        object = got;
        returned = count;
        return result;
    }
    void release(ComRef object) override { static_cast<IUnknown*>(object)->Release(); }
    void variantInit(VariantStorage& variant) override { VariantInit(asVariant(variant)); }
    HResult get(ComRef object, const char16_t* name, VariantStorage& variant) override {
        return static_cast<IWbemClassObject*>(object)->Get(wide(name), 0, asVariant(variant),
                                                           nullptr, nullptr);
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

class WmiDiskLister final : public DiskLister {
  public:
    DiskInventory listDisks() override {
        Win32WmiApi api;
        return listDisksThroughWmi(api);
    }
};

}  // namespace

std::unique_ptr<DiskLister> makeDiskLister() {
    return std::make_unique<WmiDiskLister>();
}

}  // namespace quorven

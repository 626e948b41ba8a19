#include "probes/wmi_disks.h"

#include <array>
#include <string_view>

namespace quorven {
namespace {

bool failed(HResult result) {
    return result < 0;
}

// Owners for what the api hands out. Declared in the order things are
// acquired, they let go in reverse, on every path out.
class ComScope {
  public:
    explicit ComScope(WmiApi& api) : api_(api) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() { api_.uninitialize(); }

  private:
    WmiApi& api_;
};

template <typename Role>
class ComObject {
  public:
    explicit ComObject(WmiApi& api) : api_(api) {}
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    ~ComObject() {
        if (ref_ != nullptr) api_.release(ref_);
    }
    Role* get() const { return ref_; }
    Role*& out() { return ref_; }

  private:
    WmiApi& api_;
    Role* ref_ = nullptr;
};

class ComString {
  public:
    ComString(WmiApi& api, const char16_t* text) : api_(api), ref_(api.allocString(text)) {}
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    ~ComString() { reset(); }
    WmiString* get() const { return ref_; }
    void reset() {
        if (ref_ != nullptr) api_.freeString(ref_);
        ref_ = nullptr;
    }

  private:
    WmiApi& api_;
    WmiString* ref_;
};

// One VARIANT per record, initialised once and cleared after every Get.
class ComVariant {
  public:
    explicit ComVariant(WmiApi& api) : api_(api) { api_.variantInit(storage_); }
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;
    ~ComVariant() { clear(); }

    void get(WmiObject* object, const char16_t* name) {
        clear();
        holds_ = true;
        api_.get(object, name, storage_);
    }
    const char16_t* string() { return api_.variantString(storage_); }
    void clear() {
        if (holds_) api_.variantClear(storage_);
        holds_ = false;
    }

  private:
    WmiApi& api_;
    VariantStorage storage_{};
    bool holds_ = false;
};

}  // namespace

std::string wideToUtf8(const char16_t* text, const WideToMultiByte& convert) {
    if (text == nullptr) return {};
    const int size = convert(text, nullptr, 0);
    if (size <= 0) return {};
    // The size counts the terminator; std::string keeps one of its own
    // beyond size(), so data() has room for all `size` bytes.
    std::string result(static_cast<std::size_t>(size - 1), '\0');
    convert(text, result.data(), size);
    return result;
}

DiskInventory listDisksThroughWmi(WmiApi& api, const DriveBusQuery& busType) {
    DiskInventory inventory;
    if (failed(api.initialize())) {
        return {{}, "Failed to initialize COM library"};
    }
    ComScope com(api);
    if (failed(api.initializeSecurity())) {
        return {{}, "Failed to initialize security"};
    }
    ComObject<WmiLocator> locator(api);
    if (failed(api.createLocator(locator.out()))) {
        return {{}, "Failed to create WMI locator"};
    }
    ComString nameSpace(api, u"ROOT\\CIMV2");
    ComString language(api, u"WQL");
    ComString query(api, u"SELECT * FROM Win32_DiskDrive");

    ComObject<WmiServices> services(api);
    const HResult connected = api.connectServer(locator.get(), nameSpace.get(), services.out());
    nameSpace.reset();
    if (failed(connected)) {
        return {{}, "Could not connect to WMI server"};
    }
    if (failed(api.setProxyBlanket(services.get()))) {
        return {{}, "Could not set proxy blanket"};
    }
    ComObject<WmiEnumerator> enumerator(api);
    const HResult queried =
        api.execQuery(services.get(), language.get(), query.get(), enumerator.out());
    query.reset();
    language.reset();
    if (failed(queried)) {
        return {{}, "WMI query failed"};
    }

    const WideToMultiByte convert = [&api](const char16_t* text, char* out, int size) {
        return api.wideToMultiByte(text, out, size);
    };
    // Size is a uint64, which WMI hands over as a BSTR of decimal digits.
    static constexpr std::array<const char16_t*, 6> kProperties = {
        u"DeviceID", u"PNPDeviceID", u"Model", u"InterfaceType", u"MediaType", u"Size"};
    for (;;) {
        ComObject<WmiObject> object(api);
        std::uint32_t returned = 0;
        // A failing Next is not examined: it ends the loop by returning nothing.
        api.next(enumerator.get(), object.out(), returned);
        if (returned == 0) break;
        std::array<std::string, kProperties.size()> texts;
        ComVariant value(api);
        for (std::size_t i = 0; i < kProperties.size(); ++i) {
            value.get(object.get(), kProperties[i]);
            texts[i] = wideToUtf8(value.string(), convert);
            value.clear();
        }
        const auto& [deviceId, pnpDeviceId, model, interfaceType, mediaType, size] = texts;
        const std::optional<BusType> bus = busType(deviceId);
        if (isOutsideDrive(interfaceType, mediaType, bus)) continue;
        inventory.disks.push_back(diskRecord(deviceId, model, classifyDisk(pnpDeviceId, model, bus),
                                             parseDiskSize(size)));
    }
    return inventory;
}

}  // namespace quorven

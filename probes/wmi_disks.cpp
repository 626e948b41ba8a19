#include "probes/wmi_disks.h"

#include <array>
#include <string_view>

namespace quorven {
namespace {

bool failed(HResult result) {
    return result < 0;
}

void report(Output& err, std::string_view message) {
    err.write(message);
    err.write("\n");
    err.flush();
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

class ComObject {
  public:
    explicit ComObject(WmiApi& api) : api_(api) {}
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;
    ~ComObject() {
        if (ref_ != nullptr) api_.release(ref_);
    }
    ComRef get() const { return ref_; }
    ComRef& out() { return ref_; }

  private:
    WmiApi& api_;
    ComRef ref_ = nullptr;
};

class ComString {
  public:
    ComString(WmiApi& api, const char16_t* text) : api_(api), ref_(api.allocString(text)) {}
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    ~ComString() { reset(); }
    ComRef get() const { return ref_; }
    void reset() {
        if (ref_ != nullptr) api_.freeString(ref_);
        ref_ = nullptr;
    }

  private:
    WmiApi& api_;
    ComRef ref_;
};

// One VARIANT per record, initialised once and cleared after every Get.
class ComVariant {
  public:
    explicit ComVariant(WmiApi& api) : api_(api) { api_.variantInit(storage_); }
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;
    ~ComVariant() { clear(); }

    void get(ComRef object, const char16_t* name) {
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

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

int portableWideToMultiByte(const char16_t* text, char* out, int outSize) {
    if (text == nullptr) return 0;
    std::string encoded;
    for (const char16_t* p = text;; ++p) {
        const std::uint32_t unit = *p;
        if (unit >= 0xD800 && unit <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            appendUtf8(encoded, 0x10000 + ((unit - 0xD800) << 10) + (p[1] - 0xDC00));
            ++p;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(encoded, 0xFFFD);
        } else {
            appendUtf8(encoded, unit);
        }
        if (unit == 0) break;
    }
    const int needed = static_cast<int>(encoded.size());
    if (outSize == 0) return needed;
    if (out == nullptr || outSize < needed) return 0;
    encoded.copy(out, encoded.size());
    return needed;
}

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

std::vector<DiskRecord> listDisksThroughWmi(WmiApi& api, Output& err) {
    std::vector<DiskRecord> disks;
    if (failed(api.initialize())) {
        report(err, "Failed to initialize COM library");
        return disks;
    }
    ComScope com(api);
    if (failed(api.initializeSecurity())) {
        report(err, "Failed to initialize security");
        return disks;
    }
    ComObject locator(api);
    if (failed(api.createLocator(locator.out()))) {
        report(err, "Failed to create WMI locator");
        return disks;
    }
    ComString nameSpace(api, u"ROOT\\CIMV2");
    ComString language(api, u"WQL");
    ComString query(api, u"SELECT * FROM Win32_DiskDrive");

    ComObject services(api);
    const HResult connected = api.connectServer(locator.get(), nameSpace.get(), services.out());
    nameSpace.reset();
    if (failed(connected)) {
        report(err, "Could not connect to WMI server");
        return disks;
    }
    if (failed(api.setProxyBlanket(services.get()))) {
        report(err, "Could not set proxy blanket");
        return disks;
    }
    ComObject enumerator(api);
    const HResult queried =
        api.execQuery(services.get(), language.get(), query.get(), enumerator.out());
    query.reset();
    language.reset();
    if (failed(queried)) {
        report(err, "WMI query failed");
        return disks;
    }

    const WideToMultiByte convert = [&api](const char16_t* text, char* out, int size) {
        return api.wideToMultiByte(text, out, size);
    };
    static constexpr std::array<const char16_t*, 3> kProperties = {u"DeviceID", u"PNPDeviceID",
                                                                   u"Model"};
    for (;;) {
        ComObject object(api);
        std::uint32_t returned = 0;
        // A failing Next is not examined: it ends the loop by returning nothing.
        api.next(enumerator.get(), object.out(), returned);
        if (returned == 0) break;
        std::array<std::string, 3> texts;
        ComVariant value(api);
        for (std::size_t i = 0; i < kProperties.size(); ++i) {
            value.get(object.get(), kProperties[i]);
            texts[i] = wideToUtf8(value.string(), convert);
            value.clear();
        }
        const DiskClass kind = classifyDisk(texts[1], texts[2]);
        disks.push_back(DiskRecord{texts[0], texts[2], kind.isSata, kind.isNvme});
    }
    return disks;
}

}  // namespace quorven

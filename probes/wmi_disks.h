#pragma once
// The disk enumeration through WMI, written against the COM calls it makes so
// that its step order, messages and release order are tested off Windows.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

using HResult = std::int32_t;

// Each COM role its own opaque type, so that one passed where another
// belongs does not compile. The Windows side casts them to the interfaces.
struct WmiLocator;
struct WmiServices;
struct WmiEnumerator;
struct WmiObject;
/// A BSTR.
struct WmiString;

/// Room for one VARIANT (24 bytes on x64); the Windows side checks the size.
struct VariantStorage {
    alignas(8) std::byte bytes[24];
};

/// UTF-16 to UTF-8 with WideCharToMultiByte's contract: the text is read up
/// to and including its NUL; the result counts that NUL; 0 means failure.
using WideToMultiByte = std::function<int(const char16_t* text, char* out, int outSize)>;

class WmiApi {
  public:
    virtual ~WmiApi() = default;
    virtual HResult initialize() = 0;
    virtual void uninitialize() = 0;
    virtual HResult initializeSecurity() = 0;
    virtual HResult createLocator(WmiLocator*& locator) = 0;
    virtual WmiString* allocString(const char16_t* text) = 0;
    virtual void freeString(WmiString* text) = 0;
    virtual HResult connectServer(WmiLocator* locator, WmiString* nameSpace,
                                  WmiServices*& services) = 0;
    virtual HResult setProxyBlanket(WmiServices* services) = 0;
    virtual HResult execQuery(WmiServices* services, WmiString* language, WmiString* query,
                              WmiEnumerator*& enumerator) = 0;
    virtual HResult next(WmiEnumerator* enumerator, WmiObject*& object,
                         std::uint32_t& returned) = 0;
    virtual void release(WmiLocator* locator) = 0;
    virtual void release(WmiServices* services) = 0;
    virtual void release(WmiEnumerator* enumerator) = 0;
    virtual void release(WmiObject* object) = 0;
    virtual void variantInit(VariantStorage& variant) = 0;
    virtual HResult get(WmiObject* object, const char16_t* name, VariantStorage& variant) = 0;
    /// The BSTR the VARIANT holds, or null when it holds anything else.
    virtual const char16_t* variantString(const VariantStorage& variant) = 0;
    virtual void variantClear(VariantStorage& variant) = 0;
    virtual int wideToMultiByte(const char16_t* text, char* out, int outSize) = 0;
};

/// Null and failed conversions give the empty text.
std::string wideToUtf8(const char16_t* text, const WideToMultiByte& convert);

/// Asks the drive with this DeviceID for its bus; no value when it cannot
/// be read. Every drive is asked, once.
using DriveBusQuery = std::function<std::optional<BusType>(const std::string& deviceId)>;

/// The disks, less those that isOutsideDrive leaves out, or the message of
/// the step from CoInitializeEx to ExecQuery that failed.
DiskInventory listDisksThroughWmi(WmiApi& api, const DriveBusQuery& busType);

}  // namespace quorven

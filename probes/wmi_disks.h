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
/// An interface pointer or a BSTR, opaque to the algorithm.
using ComRef = void*;

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
    virtual HResult createLocator(ComRef& locator) = 0;
    virtual ComRef allocString(const char16_t* text) = 0;
    virtual void freeString(ComRef text) = 0;
    virtual HResult connectServer(ComRef locator, ComRef nameSpace, ComRef& services) = 0;
    virtual HResult setProxyBlanket(ComRef services) = 0;
    virtual HResult execQuery(ComRef services, ComRef language, ComRef query,
                              ComRef& enumerator) = 0;
    virtual HResult next(ComRef enumerator, ComRef& object, std::uint32_t& returned) = 0;
    virtual void release(ComRef object) = 0;
    virtual void variantInit(VariantStorage& variant) = 0;
    virtual HResult get(ComRef object, const char16_t* name, VariantStorage& variant) = 0;
    /// The BSTR the VARIANT holds, or null when it holds anything else.
    virtual const char16_t* variantString(const VariantStorage& variant) = 0;
    virtual void variantClear(VariantStorage& variant) = 0;
    virtual int wideToMultiByte(const char16_t* text, char* out, int outSize) = 0;
};

/// Null and failed conversions give the empty text.
std::string wideToUtf8(const char16_t* text, const WideToMultiByte& convert);

/// The disks, or the message of the step from CoInitializeEx to ExecQuery
/// that failed.
DiskInventory listDisksThroughWmi(WmiApi& api);

}  // namespace quorven

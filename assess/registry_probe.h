#pragma once
// Looks for RAID driver software in the registry. Nothing shown depends on
// it yet: both support lines say "Yes" whatever it finds.

#include <cstdint>
#include <memory>

namespace quorven {

class RegistryProbe {
  public:
    virtual ~RegistryProbe() = default;
    virtual void probeRaidDrivers() = 0;
};

using RegistryKeyRef = std::uintptr_t;

/// The two registry calls, read-only.
class RegistryApi {
  public:
    virtual ~RegistryApi() = default;
    virtual RegistryKeyRef localMachine() = 0;
    /// RegOpenKeyExA with KEY_READ; false when the key does not open.
    virtual bool openKey(RegistryKeyRef parent, const char* path, RegistryKeyRef& key) = 0;
    virtual void closeKey(RegistryKeyRef key) = 0;
};

/// Opens each key of RAID driver software and closes it again at once.
void probeRaidDrivers(RegistryApi& api);

/// Opens and closes the keys on Windows; Linux has no registry.
std::unique_ptr<RegistryProbe> makePlatformRegistryProbe();

}  // namespace quorven

#pragma once
// Looks for RAID driver software in the registry. Nothing shown depends on
// it yet: both support lines say "Yes" whatever it finds.

#include <memory>

namespace quorven {

class RegistryProbe {
public:
    virtual ~RegistryProbe() = default;
    virtual void probeRaidDrivers() = 0;
};

/// Opens and closes the keys on Windows; Linux has no registry.
std::unique_ptr<RegistryProbe> makePlatformRegistryProbe();

}  // namespace quorven

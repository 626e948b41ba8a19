#include "assess/registry_probe.h"

namespace quorven {
namespace {

class NoRegistry final : public RegistryProbe {
  public:
    void probeRaidDrivers() override {}
};

}  // namespace

std::unique_ptr<RegistryProbe> makePlatformRegistryProbe() {
    return std::make_unique<NoRegistry>();
}

}  // namespace quorven

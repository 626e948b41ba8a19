#include "assess/registry_probe.h"

#include <array>

namespace quorven {
namespace {

class OpenKey {
  public:
    OpenKey(RegistryApi& api, RegistryKeyRef parent, const char* path) : api_(api) {
        open_ = api_.openKey(parent, path, key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (open_) api_.closeKey(key_);
    }
    explicit operator bool() const { return open_; }
    RegistryKeyRef get() const { return key_; }

  private:
    RegistryApi& api_;
    RegistryKeyRef key_ = 0;
    bool open_ = false;
};

}  // namespace

void probeRaidDrivers(RegistryApi& api) {
    const RegistryKeyRef machine = api.localMachine();
    // Presence only: a key that does not open is passed over in silence.
    { OpenKey rapidStorage(api, machine, "SOFTWARE\\Intel\\Intel Rapid Storage Technology"); }
    { OpenKey raidXpert(api, machine, "SOFTWARE\\AMD\\RAIDXpert"); }
    const OpenKey services(api, machine, "SYSTEM\\CurrentControlSet\\Services");
    if (!services) return;
    for (const char* driver : std::array{"iaStorA", "amdraid", "nvmeraid", "vmd"}) {
        OpenKey key(api, services.get(), driver);
    }
}

}  // namespace quorven

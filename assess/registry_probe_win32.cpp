#include <windows.h>

#include "assess/registry_probe.h"

namespace quorven {
namespace {

HKEY toKey(RegistryKeyRef key) {
    return reinterpret_cast<HKEY>(key);
}

class Win32RegistryApi final : public RegistryApi {
  public:
    RegistryKeyRef localMachine() override {
        return reinterpret_cast<RegistryKeyRef>(HKEY_LOCAL_MACHINE);
    }
    bool openKey(RegistryKeyRef parent, const char* path, RegistryKeyRef& key) override {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(toKey(parent), path, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
            return false;
        }
        key = reinterpret_cast<RegistryKeyRef>(opened);
        return true;
    }
    void closeKey(RegistryKeyRef key) override { RegCloseKey(toKey(key)); }
};

class Win32RegistryProbe final : public RegistryProbe {
  public:
    void probeRaidDrivers() override {
        Win32RegistryApi api;
        quorven::probeRaidDrivers(api);
    }
};

}  // namespace

std::unique_ptr<RegistryProbe> makePlatformRegistryProbe() {
    return std::make_unique<Win32RegistryProbe>();
}

}  // namespace quorven

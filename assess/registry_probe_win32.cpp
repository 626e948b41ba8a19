#include <windows.h>

#include <array>

#include "assess/registry_probe.h"

namespace quorven {
namespace {

class RegistryKey {
public:
    RegistryKey(HKEY parent, const char* path) {
        if (RegOpenKeyExA(parent, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    ~RegistryKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class Win32RegistryProbe final : public RegistryProbe {
public:
    void probeRaidDrivers() override {
        // Presence only, each key closed at once; a key that does not open is
        // passed over in silence.
        { RegistryKey rst(HKEY_LOCAL_MACHINE, "SOFTWARE\\Intel\\Intel Rapid Storage Technology"); }
        { RegistryKey raidXpert(HKEY_LOCAL_MACHINE, "SOFTWARE\\AMD\\RAIDXpert"); }
        RegistryKey services(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services");
        if (!services) return;
        for (const char* driver : std::array{"iaStorA", "amdraid", "nvmeraid", "vmd"}) {
            RegistryKey key(services.get(), driver);
        }
    }
};

}  // namespace

std::unique_ptr<RegistryProbe> makePlatformRegistryProbe() {
    return std::make_unique<Win32RegistryProbe>();
}

}  // namespace quorven

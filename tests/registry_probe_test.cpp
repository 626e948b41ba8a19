#include <gtest/gtest.h>

#include <map>
#include <set>

#include "assess/registry_probe.h"

namespace quorven::testing {
namespace {

class FakeRegistry final : public RegistryApi {
  public:
    explicit FakeRegistry(std::set<std::string> present) : present_(std::move(present)) {}
    RegistryKeyRef localMachine() override { return kMachine; }
    bool openKey(RegistryKeyRef parent, const char* path, RegistryKeyRef& key) override {
        const std::string full = (parent == kMachine ? "HKLM" : names_.at(parent)) + "\\" + path;
        ledger.push_back("open " + full);
        if (!present_.count(full)) return false;
        key = next_++;
        names_[key] = full;
        EXPECT_TRUE(open.insert(full).second);
        return true;
    }
    void closeKey(RegistryKeyRef key) override {
        ledger.push_back("close " + names_.at(key));
        EXPECT_EQ(open.erase(names_.at(key)), 1u) << "closed twice";
    }
    std::vector<std::string> ledger;
    std::set<std::string> open;

  private:
    static constexpr RegistryKeyRef kMachine = 0x80000002;
    std::set<std::string> present_;
    std::map<RegistryKeyRef, std::string> names_;
    RegistryKeyRef next_ = 1;
};

const std::string kServices = "HKLM\\SYSTEM\\CurrentControlSet\\Services";

TEST(RegistryProbe, OpensEachKeyAndClosesItAtOnce) {
    FakeRegistry registry({"HKLM\\SOFTWARE\\AMD\\RAIDXpert", kServices, kServices + "\\amdraid",
                           kServices + "\\vmd"});
    probeRaidDrivers(registry);
    EXPECT_EQ(registry.ledger,
              (std::vector<std::string>{
                  "open HKLM\\SOFTWARE\\Intel\\Intel Rapid Storage Technology",
                  "open HKLM\\SOFTWARE\\AMD\\RAIDXpert", "close HKLM\\SOFTWARE\\AMD\\RAIDXpert",
                  "open " + kServices, "open " + kServices + "\\iaStorA",
                  "open " + kServices + "\\amdraid", "close " + kServices + "\\amdraid",
                  "open " + kServices + "\\nvmeraid", "open " + kServices + "\\vmd",
                  "close " + kServices + "\\vmd", "close " + kServices}));
    EXPECT_TRUE(registry.open.empty());
}

TEST(RegistryProbe, WithoutTheServicesKeyNoDriverIsLookedFor) {
    FakeRegistry registry({});
    probeRaidDrivers(registry);
    EXPECT_EQ(registry.ledger.size(), 3u);
    EXPECT_EQ(registry.ledger.back(), "open " + kServices);
}

}  // namespace
}  // namespace quorven::testing

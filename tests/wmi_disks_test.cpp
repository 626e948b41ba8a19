// The WMI enumeration against a fake of the COM calls that keeps a ledger of
// every acquisition and release.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "probes/wmi_disks.h"

namespace quorven::testing {
namespace {

std::string narrow(const char16_t* text) {
    std::string out;
    for (; *text != 0; ++text) out += static_cast<char>(*text);
    return out;
}

// WideCharToMultiByte's contract for ASCII text: the count includes the
// terminator, and a buffer too small for it fails with 0.
int asciiToMultiByte(const char16_t* text, char* out, int outSize) {
    const std::string narrowed = narrow(text);
    const int needed = static_cast<int>(narrowed.size()) + 1;
    if (outSize == 0) return needed;
    if (outSize < needed) return 0;
    std::memcpy(out, narrowed.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

struct FakeDrive {
    // No value: the property holds something other than a string.
    std::map<std::string, std::optional<std::u16string>> properties;
};

class FakeWmi final : public WmiApi {
  public:
    enum Step { None, Initialize, Security, Locator, Connect, Blanket, Query };

    HResult initialize() override { return step("CoInitializeEx", Initialize, nullptr); }
    void uninitialize() override { ledger.push_back("CoUninitialize"); }
    HResult initializeSecurity() override {
        return step("CoInitializeSecurity", Security, nullptr);
    }
    HResult createLocator(ComRef& locator) override {
        return step("CoCreateInstance", Locator, &locator, "locator");
    }
    ComRef allocString(const char16_t* text) override {
        ledger.push_back("SysAllocString " + narrow(text));
        return acquire("bstr " + narrow(text));
    }
    void freeString(ComRef text) override { letGo("SysFreeString", text); }
    HResult connectServer(ComRef locator, ComRef nameSpace, ComRef& services) override {
        EXPECT_EQ(names_.at(locator), "locator");
        EXPECT_EQ(names_.at(nameSpace), "bstr ROOT\\CIMV2");
        return step("ConnectServer", Connect, &services, "services");
    }
    HResult setProxyBlanket(ComRef services) override {
        EXPECT_EQ(names_.at(services), "services");
        return step("CoSetProxyBlanket", Blanket, nullptr);
    }
    HResult execQuery(ComRef, ComRef language, ComRef query, ComRef& enumerator) override {
        EXPECT_EQ(names_.at(language), "bstr WQL");
        EXPECT_EQ(names_.at(query), "bstr SELECT * FROM Win32_DiskDrive");
        return step("ExecQuery", Query, &enumerator, "enumerator");
    }
    HResult next(ComRef enumerator, ComRef& object, std::uint32_t& returned) override {
        EXPECT_EQ(names_.at(enumerator), "enumerator");
        ledger.push_back("Next");
        if (delivered_ == failNextAfter || delivered_ == drives.size()) {
            returned = 0;
            return delivered_ == failNextAfter ? -2147217406 : 1;  // WBEM_E_FAILED or S_FALSE
        }
        current_ = &drives[delivered_];
        object = acquire("object " + std::to_string(++delivered_));
        returned = 1;
        return 0;
    }
    void release(ComRef object) override { letGo("Release", object); }
    void variantInit(VariantStorage& variant) override {
        ledger.push_back("VariantInit");
        std::memset(variant.bytes, 0, sizeof variant.bytes);
    }
    HResult get(ComRef object, const char16_t* name, VariantStorage& variant) override {
        ledger.push_back("Get " + narrow(name) + " from " + names_.at(object));
        const auto found = current_->properties.find(narrow(name));
        if (found == current_->properties.end()) return -2147217404;  // WBEM_E_NOT_FOUND
        if (!found->second) return 0;  // VT_NULL: nothing to read as a string
        const void* text = found->second->c_str();
        std::memcpy(variant.bytes, &text, sizeof text);
        live_.insert("variant value");
        return 0;
    }
    const char16_t* variantString(const VariantStorage& variant) override {
        const char16_t* text = nullptr;
        std::memcpy(&text, variant.bytes, sizeof text);
        return text;
    }
    void variantClear(VariantStorage& variant) override {
        ledger.push_back("VariantClear");
        if (variantString(variant) != nullptr) live_.erase("variant value");
        std::memset(variant.bytes, 0, sizeof variant.bytes);
    }
    int wideToMultiByte(const char16_t* text, char* out, int outSize) override {
        if (conversionFails) return 0;
        return asciiToMultiByte(text, out, outSize);
    }

    std::vector<std::string> ledger;
    std::vector<FakeDrive> drives;
    Step failAt = None;
    std::size_t failNextAfter = static_cast<std::size_t>(-1);
    bool conversionFails = false;

    std::set<std::string> live() const { return live_; }

  private:
    HResult step(const std::string& call, Step which, ComRef* out, const std::string& name = {}) {
        ledger.push_back(call);
        if (which == failAt) return -2147467259;  // E_FAIL
        if (out != nullptr) *out = acquire(name);
        return which == Initialize ? 1 : 0;  // S_FALSE still counts as success
    }
    ComRef acquire(const std::string& name) {
        ComRef ref = reinterpret_cast<ComRef>(++nextRef_);
        names_[ref] = name;
        live_.insert(name);
        return ref;
    }
    void letGo(const std::string& call, ComRef ref) {
        const std::string& name = names_.at(ref);
        ledger.push_back(call + " " + name);
        EXPECT_EQ(live_.erase(name), 1u) << name << " released twice";
    }

    std::map<ComRef, std::string> names_;
    std::set<std::string> live_;
    std::uintptr_t nextRef_ = 0x1000;
    std::size_t delivered_ = 0;
    const FakeDrive* current_ = nullptr;
};

const std::vector<std::string> kSetUp = {
    "CoInitializeEx",
    "CoInitializeSecurity",
    "CoCreateInstance",
    "SysAllocString ROOT\\CIMV2",
    "SysAllocString WQL",
    "SysAllocString SELECT * FROM Win32_DiskDrive",
    "ConnectServer",
    "SysFreeString bstr ROOT\\CIMV2",
    "CoSetProxyBlanket",
    "ExecQuery",
    "SysFreeString bstr SELECT * FROM Win32_DiskDrive",
    "SysFreeString bstr WQL",
};

std::vector<std::string> upTo(const std::string& last) {
    const auto end = std::find(kSetUp.begin(), kSetUp.end(), last);
    return {kSetUp.begin(), end + 1};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct FailureCase {
    FakeWmi::Step step;
    std::string message;
    std::vector<std::string> ledger;
};

TEST(WmiDisks, EachFailingStepGivesItsMessageAndReleasesInReverse) {
    const FailureCase cases[] = {
        {FakeWmi::Initialize, "Failed to initialize COM library", {"CoInitializeEx"}},
        {FakeWmi::Security,
         "Failed to initialize security",
         {"CoInitializeEx", "CoInitializeSecurity", "CoUninitialize"}},
        {FakeWmi::Locator,
         "Failed to create WMI locator",
         {"CoInitializeEx", "CoInitializeSecurity", "CoCreateInstance", "CoUninitialize"}},
        {FakeWmi::Connect, "Could not connect to WMI server",
         concat(upTo("SysFreeString bstr ROOT\\CIMV2"),
                {"SysFreeString bstr SELECT * FROM Win32_DiskDrive", "SysFreeString bstr WQL",
                 "Release locator", "CoUninitialize"})},
        {FakeWmi::Blanket, "Could not set proxy blanket",
         concat(upTo("CoSetProxyBlanket"),
                {"Release services", "SysFreeString bstr SELECT * FROM Win32_DiskDrive",
                 "SysFreeString bstr WQL", "Release locator", "CoUninitialize"})},
        {FakeWmi::Query, "WMI query failed",
         concat(kSetUp, {"Release services", "Release locator", "CoUninitialize"})},
    };
    for (const FailureCase& c : cases) {
        FakeWmi wmi;
        wmi.failAt = c.step;
        wmi.drives = {FakeDrive{}};
        EXPECT_EQ(listDisksThroughWmi(wmi), (DiskInventory{{}, c.message}));
        EXPECT_EQ(wmi.ledger, c.ledger) << c.message;
        EXPECT_TRUE(wmi.live().empty()) << c.message;
    }
}

FakeDrive drive(std::u16string id, std::optional<std::u16string> pnp,
                std::optional<std::u16string> model) {
    return FakeDrive{{{"DeviceID", std::move(id)},
                      {"PNPDeviceID", std::move(pnp)},
                      {"Model", std::move(model)}}};
}

TEST(WmiDisks, EnumeratesInOrderAndReleasesEachObjectAndThenEverything) {
    FakeWmi wmi;
    wmi.drives = {drive(u"\\\\.\\PHYSICALDRIVE0", u"IDE\\Disk\\VEN_WINE", u"Wine Disk Drive"),
                  drive(u"\\\\.\\PHYSICALDRIVE1", u"SCSI\\Disk&Ven_NVMe&Prod_Samsung",
                        u"Samsung SSD 990 PRO"),
                  drive(u"\\\\.\\PHYSICALDRIVE2", u"USBSTOR\\DISK", std::nullopt)};
    EXPECT_EQ(listDisksThroughWmi(wmi),
              (DiskInventory{{
                                 {"\\\\.\\PHYSICALDRIVE0", "Wine Disk Drive", 1, 0},
                                 {"\\\\.\\PHYSICALDRIVE1", "Samsung SSD 990 PRO", 0, 1},
                                 {"\\\\.\\PHYSICALDRIVE2", "", 1, 0},
                             },
                             ""}));
    std::vector<std::string> expected = kSetUp;
    for (int i = 1; i <= 3; ++i) {
        const std::string object = "object " + std::to_string(i);
        for (const std::string& line :
             {std::string("Next"), std::string("VariantInit"), "Get DeviceID from " + object,
              std::string("VariantClear"), "Get PNPDeviceID from " + object,
              std::string("VariantClear"), "Get Model from " + object, std::string("VariantClear"),
              "Release " + object}) {
            expected.push_back(line);
        }
    }
    for (const char* line :
         {"Next", "Release enumerator", "Release services", "Release locator", "CoUninitialize"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(wmi.ledger, expected);
    EXPECT_TRUE(wmi.live().empty());
}

TEST(WmiDisks, NextFailingMidwayKeepsTheRecordsGathered) {
    FakeWmi wmi;
    wmi.drives = {drive(u"A", u"x", u"y"), drive(u"B", u"x", u"y"), drive(u"C", u"x", u"y")};
    wmi.failNextAfter = 2;
    const DiskInventory inventory = listDisksThroughWmi(wmi);
    ASSERT_EQ(inventory.disks.size(), 2u);
    EXPECT_EQ(inventory.disks[1].deviceId, "B");
    EXPECT_EQ(inventory.failure, "");
    EXPECT_TRUE(wmi.live().empty());
}

TEST(WmiDisks, MissingPropertiesAndFailedConversionsGiveEmptyTexts) {
    FakeWmi wmi;
    wmi.drives = {FakeDrive{}, drive(u"D", std::nullopt, u"NVMe KINGSTON")};
    EXPECT_EQ(listDisksThroughWmi(wmi).disks,
              (std::vector<DiskRecord>{{"", "", 1, 0}, {"D", "NVMe KINGSTON", 0, 1}}));

    FakeWmi failing;
    failing.conversionFails = true;
    failing.drives = {drive(u"E", u"NVME", u"Model")};
    EXPECT_EQ(listDisksThroughWmi(failing).disks, (std::vector<DiskRecord>{{"", "", 1, 0}}));
    EXPECT_TRUE(failing.live().empty());
}

TEST(WideToUtf8, SizesThenConvertsAndDropsTheTerminator) {
    EXPECT_EQ(wideToUtf8(nullptr, asciiToMultiByte), "");
    EXPECT_EQ(wideToUtf8(u"", asciiToMultiByte), "");
    EXPECT_EQ(wideToUtf8(u"Wine Disk Drive", asciiToMultiByte), "Wine Disk Drive");
    const WideToMultiByte failing = [](const char16_t*, char*, int) { return 0; };
    EXPECT_EQ(wideToUtf8(u"text", failing), "");
}

TEST(ClassifyDisk, NvmeAnywhereInEitherTextInAnyCase) {
    struct Case {
        std::string pnp, model;
        DiskClass kind;
    };
    const Case cases[] = {
        {"SCSI\\DISK&VEN_NVME&PROD_SAMSUNG", "Samsung", {0, 1}},
        {"scsi\\disk&ven_nvme", "", {0, 1}},
        {"SCSI\\Disk&Ven_NvMe", "", {0, 1}},
        {"IDE\\Disk", "KINGSTON NVMe SSD", {0, 1}},
        {"USBSTOR\\DISK", "SanDisk Ultra", {1, 0}},
        {"IDE\\Disk\\VEN_WINE", "Wine Disk Drive", {1, 0}},
        {"n-v-m-e", "nvm e", {1, 0}},
        {"nvm", "vme", {1, 0}},
        {"", "", {1, 0}},
        {"/sys/devices/pci0000:00/0000:00:04.0/nvme/nvme0/nvme0n1", "", {0, 1}},
        {"\xC3\x89NVME", "", {0, 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(classifyDisk(c.pnp, c.model), c.kind) << c.pnp << c.model;
}

}  // namespace
}  // namespace quorven::testing

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

    HResult initialize() override { return step<WmiObject>("CoInitializeEx", Initialize, nullptr); }
    void uninitialize() override { ledger.push_back("CoUninitialize"); }
    HResult initializeSecurity() override {
        return step<WmiObject>("CoInitializeSecurity", Security, nullptr);
    }
    HResult createLocator(WmiLocator*& locator) override {
        return step("CoCreateInstance", Locator, &locator, "locator");
    }
    WmiString* allocString(const char16_t* text) override {
        ledger.push_back("SysAllocString " + narrow(text));
        return acquire<WmiString>("bstr " + narrow(text));
    }
    void freeString(WmiString* text) override { letGo("SysFreeString", text); }
    HResult connectServer(WmiLocator* locator, WmiString* nameSpace,
                          WmiServices*& services) override {
        EXPECT_EQ(names_.at(locator), "locator");
        EXPECT_EQ(names_.at(nameSpace), "bstr ROOT\\CIMV2");
        return step("ConnectServer", Connect, &services, "services");
    }
    HResult setProxyBlanket(WmiServices* services) override {
        EXPECT_EQ(names_.at(services), "services");
        return step<WmiObject>("CoSetProxyBlanket", Blanket, nullptr);
    }
    HResult execQuery(WmiServices*, WmiString* language, WmiString* query,
                      WmiEnumerator*& enumerator) override {
        EXPECT_EQ(names_.at(language), "bstr WQL");
        EXPECT_EQ(names_.at(query), "bstr SELECT * FROM Win32_DiskDrive");
        return step("ExecQuery", Query, &enumerator, "enumerator");
    }
    HResult next(WmiEnumerator* enumerator, WmiObject*& object, std::uint32_t& returned) override {
        EXPECT_EQ(names_.at(enumerator), "enumerator");
        ledger.push_back("Next");
        if (delivered_ == failNextAfter || delivered_ == drives.size()) {
            returned = 0;
            return delivered_ == failNextAfter ? -2147217406 : 1;  // WBEM_E_FAILED or S_FALSE
        }
        current_ = &drives[delivered_];
        object = acquire<WmiObject>("object " + std::to_string(++delivered_));
        returned = 1;
        return 0;
    }
    void release(WmiLocator* locator) override { letGo("Release", locator); }
    void release(WmiServices* services) override { letGo("Release", services); }
    void release(WmiEnumerator* enumerator) override { letGo("Release", enumerator); }
    void release(WmiObject* object) override { letGo("Release", object); }
    void variantInit(VariantStorage& variant) override {
        ledger.push_back("VariantInit");
        std::memset(variant.bytes, 0, sizeof variant.bytes);
    }
    HResult get(WmiObject* object, const char16_t* name, VariantStorage& variant) override {
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

    /// Records each question in the ledger; a drive not in `buses` cannot
    /// be opened.
    DriveBusQuery busQuery() {
        return [this](const std::string& deviceId) -> std::optional<BusType> {
            ledger.push_back("bus of " + deviceId);
            const auto found = buses.find(deviceId);
            if (found == buses.end()) return std::nullopt;
            return found->second;
        };
    }

    std::vector<std::string> ledger;
    std::vector<FakeDrive> drives;
    std::map<std::string, BusType> buses;
    Step failAt = None;
    std::size_t failNextAfter = static_cast<std::size_t>(-1);
    bool conversionFails = false;

    std::set<std::string> live() const { return live_; }

  private:
    template <typename Role = WmiObject>
    HResult step(const std::string& call, Step which, Role** out, const std::string& name = {}) {
        ledger.push_back(call);
        if (which == failAt) return -2147467259;  // E_FAIL
        if (out != nullptr) *out = acquire<Role>(name);
        return which == Initialize ? 1 : 0;  // S_FALSE still counts as success
    }
    template <typename Role>
    Role* acquire(const std::string& name) {
        Role* ref = reinterpret_cast<Role*>(++nextRef_);
        names_[ref] = name;
        live_.insert(name);
        return ref;
    }
    void letGo(const std::string& call, const void* ref) {
        const std::string& name = names_.at(ref);
        ledger.push_back(call + " " + name);
        EXPECT_EQ(live_.erase(name), 1u) << name << " released twice";
    }

    std::map<const void*, std::string> names_;
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
        EXPECT_EQ(listDisksThroughWmi(wmi, wmi.busQuery()), (DiskInventory{{}, c.message}));
        EXPECT_EQ(wmi.ledger, c.ledger) << c.message;
        EXPECT_TRUE(wmi.live().empty()) << c.message;
    }
}

FakeDrive drive(std::u16string id, std::optional<std::u16string> pnp,
                std::optional<std::u16string> model, std::u16string interfaceType = u"IDE",
                std::u16string mediaType = u"Fixed hard disk media") {
    return FakeDrive{{{"DeviceID", std::move(id)},
                      {"PNPDeviceID", std::move(pnp)},
                      {"Model", std::move(model)},
                      {"InterfaceType", std::move(interfaceType)},
                      {"MediaType", std::move(mediaType)}}};
}

TEST(WmiDisks, EnumeratesInOrderAndReleasesEachObjectAndThenEverything) {
    FakeWmi wmi;
    wmi.drives = {drive(u"\\\\.\\PHYSICALDRIVE0", u"IDE\\Disk\\VEN_WINE", u"Wine Disk Drive"),
                  drive(u"\\\\.\\PHYSICALDRIVE1", u"SCSI\\Disk&Ven_NVMe&Prod_Samsung",
                        u"Samsung SSD 990 PRO"),
                  // A USB stick, and an NVMe drive in a USB enclosure: left out.
                  drive(u"\\\\.\\PHYSICALDRIVE2", u"USBSTOR\\DISK&VEN_SANDISK&PROD_ULTRA",
                        u"SanDisk Ultra USB Device", u"USB", u"Removable Media"),
                  drive(u"\\\\.\\PHYSICALDRIVE3", u"SCSI\\DISK&VEN_ASMT&PROD_ASM236X_NVME",
                        u"Realtek RTL9210 NVME USB Device", u"SCSI", u"External hard disk media")};
    wmi.buses["\\\\.\\PHYSICALDRIVE3"] = BusType::Usb;
    EXPECT_EQ(listDisksThroughWmi(wmi, wmi.busQuery()),
              (DiskInventory{{
                                 {"\\\\.\\PHYSICALDRIVE0", "Wine Disk Drive", 1, 0},
                                 {"\\\\.\\PHYSICALDRIVE1", "Samsung SSD 990 PRO", 0, 1},
                             },
                             ""}));
    std::vector<std::string> expected = kSetUp;
    for (int i = 1; i <= 4; ++i) {
        const std::string object = "object " + std::to_string(i);
        expected.push_back("Next");
        expected.push_back("VariantInit");
        for (const char* property :
             {"DeviceID", "PNPDeviceID", "Model", "InterfaceType", "MediaType", "Size"}) {
            expected.push_back("Get " + std::string(property) + " from " + object);
            expected.push_back("VariantClear");
        }
        // Every drive is asked for its own bus, once.
        expected.push_back("bus of \\\\.\\PHYSICALDRIVE" + std::to_string(i - 1));
        expected.push_back("Release " + object);
    }
    for (const char* line :
         {"Next", "Release enumerator", "Release services", "Release locator", "CoUninitialize"}) {
        expected.push_back(line);
    }
    EXPECT_EQ(wmi.ledger, expected);
    EXPECT_TRUE(wmi.live().empty());
}

TEST(WmiDisks, EachDrivesOwnBusReachesBothRules) {
    FakeWmi wmi;
    wmi.drives = {drive(u"D0", u"SCSI\\DISKAPPLE___APPLE_SSD_AP1024", u"APPLE SSD AP1024"),
                  drive(u"D1", u"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK", u"Msft Virtual Disk",
                        u"SCSI", u"Fixed hard disk media"),
                  drive(u"D2", u"SCSI\\DISK&VEN_INTEL&PROD_RAID_0_VOLUME", u"Intel Raid 0 Volume"),
                  // The same texts as D1 in a Hyper-V guest, on the SCSI bus.
                  drive(u"D3", u"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK", u"Msft Virtual Disk",
                        u"SCSI", u"Fixed hard disk media")};
    wmi.buses = {{"D0", BusType::Nvme},
                 {"D1", BusType::FileBackedVirtual},
                 {"D2", BusType::Raid},
                 {"D3", static_cast<BusType>(0x1)}};
    EXPECT_EQ(listDisksThroughWmi(wmi, wmi.busQuery()).disks,
              (std::vector<DiskRecord>{{"D0", "APPLE SSD AP1024", 0, 1, 0, 0},
                                       {"D2", "Intel Raid 0 Volume", 0, 0, 1, 0},
                                       {"D3", "Msft Virtual Disk", 0, 0, 0, 1}}));
}

TEST(WmiDisks, NextFailingMidwayKeepsTheRecordsGathered) {
    FakeWmi wmi;
    wmi.drives = {drive(u"A", u"x", u"y"), drive(u"B", u"x", u"y"), drive(u"C", u"x", u"y")};
    wmi.failNextAfter = 2;
    const DiskInventory inventory = listDisksThroughWmi(wmi, wmi.busQuery());
    ASSERT_EQ(inventory.disks.size(), 2u);
    EXPECT_EQ(inventory.disks[1].deviceId, "B");
    EXPECT_EQ(inventory.failure, "");
    EXPECT_TRUE(wmi.live().empty());
}

TEST(WmiDisks, MissingPropertiesAndFailedConversionsGiveEmptyTexts) {
    FakeWmi wmi;
    wmi.drives = {FakeDrive{}, drive(u"D", std::nullopt, u"NVMe KINGSTON")};
    EXPECT_EQ(listDisksThroughWmi(wmi, wmi.busQuery()).disks,
              (std::vector<DiskRecord>{{"", "", 1, 0}, {"D", "NVMe KINGSTON", 0, 1}}));

    FakeWmi failing;
    failing.conversionFails = true;
    failing.drives = {drive(u"E", u"NVME", u"Model")};
    EXPECT_EQ(listDisksThroughWmi(failing, failing.busQuery()).disks,
              (std::vector<DiskRecord>{{"", "", 1, 0}}));
    EXPECT_TRUE(failing.live().empty());
}

// WMI hands a uint64 over as a BSTR of decimal digits.
TEST(WmiDisks, SizeIsTheDigitsOfItsTextOrZero) {
    struct Case {
        std::optional<std::u16string> size;  // no value: not a string
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {u"500107862016", 500'107'862'016},
        {u"0018446744073709551615", 18'446'744'073'709'551'615u},
        {u"18446744073709551617", 0},  // beyond 64 bits, where it would wrap to 1
        {std::nullopt, 0},
        {u"", 0},
        {u"-1", 0},
        {u"512 ", 0},
        {u"Unknown", 0},
    };
    FakeWmi wmi;
    for (const Case& c : cases) {
        wmi.drives.push_back(drive(u"D", u"IDE\\Disk", u"Disk"));
        wmi.drives.back().properties["Size"] = c.size;
    }
    // And a drive whose Size is missing altogether.
    wmi.drives.push_back(drive(u"D", u"IDE\\Disk", u"Disk"));
    const std::vector<DiskRecord> disks = listDisksThroughWmi(wmi, wmi.busQuery()).disks;
    ASSERT_EQ(disks.size(), std::size(cases) + 1);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(disks[i].sizeBytes, cases[i].bytes)
            << (cases[i].size ? narrow(cases[i].size->c_str()) : "(null)");
    }
    EXPECT_EQ(disks.back().sizeBytes, 0u);
    EXPECT_TRUE(wmi.live().empty());
}

TEST(WideToUtf8, SizesThenConvertsAndDropsTheTerminator) {
    EXPECT_EQ(wideToUtf8(nullptr, asciiToMultiByte), "");
    EXPECT_EQ(wideToUtf8(u"", asciiToMultiByte), "");
    EXPECT_EQ(wideToUtf8(u"Wine Disk Drive", asciiToMultiByte), "Wine Disk Drive");
    const WideToMultiByte failing = [](const char16_t*, char*, int) { return 0; };
    EXPECT_EQ(wideToUtf8(u"text", failing), "");
}

TEST(ClassifyDisk, RaidVolumeThenVirtualThenNvmeByTextOrBusThenSata) {
    struct Case {
        std::string pnp, model;
        std::optional<BusType> bus;
        DiskClass kind;
    };
    const DiskClass sata{1, 0, 0, 0}, nvme{0, 1, 0, 0}, volume{0, 0, 1, 0}, vm{0, 0, 0, 1};
    const auto sataBus = static_cast<BusType>(0xB), raidBus = BusType::Raid;
    const Case cases[] = {
        // "nvme" in either text, in any case, whatever the bus says.
        {"SCSI\\DISK&VEN_NVME&PROD_SAMSUNG", "Samsung", std::nullopt, nvme},
        {"scsi\\disk&ven_nvme", "", std::nullopt, nvme},
        {"SCSI\\Disk&Ven_NvMe", "", sataBus, nvme},
        {"IDE\\Disk", "KINGSTON NVMe SSD", std::nullopt, nvme},
        {"USBSTOR\\DISK", "SanDisk Ultra", std::nullopt, sata},
        {"IDE\\Disk\\VEN_WINE", "Wine Disk Drive", std::nullopt, sata},
        {"n-v-m-e", "nvm e", std::nullopt, sata},
        {"nvm", "vme", std::nullopt, sata},
        {"", "", std::nullopt, sata},
        {"/sys/devices/pci0000:00/0000:00:04.0/nvme/nvme0/nvme0n1", "", std::nullopt, nvme},
        {"\xC3\x89NVME", "", std::nullopt, nvme},
        // Vendors' own NVMe drivers keep "nvme" out of both texts; the bus
        // still says it.
        {"SCSI\\DISKAPPLE___APPLE_SSD_AP1024\\4&1D6C8B1B&0&000000", "APPLE SSD AP1024",
         BusType::Nvme, nvme},
        {"SCSI\\DISK&VEN_INTEL&PROD_SSDPEKKW256G8\\5&2A6F0C5&0&000000", "INTEL SSDPEKKW256G8",
         BusType::Nvme, nvme},
        {"SCSI\\DISK&VEN_INTEL&PROD_SSDPEKKW256G8\\5&2A6F0C5&0&000000", "INTEL SSDPEKKW256G8",
         std::nullopt, sata},
        // Behind VMD, RST in RAID mode or AMD RAID every disk reports bus RAID:
        // a lone disk there is what its texts say.
        {"SCSI\\DISK&VEN_NVME&PROD_KBG40ZPZ512G_NVM\\5&1B8D4C9&0&000000",
         "KBG40ZPZ512G NVMe KIOXIA 512GB", raidBus, nvme},
        {"SCSI\\DISK&VEN_SAMSUNG&PROD_SSD_860_EVO\\4&27617201&0&000200",
         "Samsung SSD 860 EVO 500GB", raidBus, sata},
        // Existing arrays, by either text or both, before any NVMe test.
        {"SCSI\\DISK&VEN_INTEL&PROD_RAID_0_VOLUME\\4&27617201&0&000100", "Intel Raid 0 Volume",
         raidBus, volume},
        {"SCSI\\DISK&VEN_INTEL&PROD_RAID_0_VOLUME\\4&27617201&0&000100", "", std::nullopt, volume},
        {"", "Intel Raid 10 Volume", std::nullopt, volume},
        {"SCSI\\DISK&VEN_NVME&PROD_X", "INTEL RAID 5 VOLUME", BusType::Nvme, volume},
        {"SCSI\\DISK&VEN_AMD-RAID&PROD_ARRAY_1\\5&3A0C5B1&0&000000",
         "AMD-RAID Array 1 SCSI Disk Device", raidBus, volume},
        {"SCSI\\DISK&VEN_AMD-RAID&PROD_ARRAY_1\\5&3A0C5B1&0&000000", "", std::nullopt, volume},
        {"", "AMD-RAID Array 2     SCSI Disk Device", std::nullopt, volume},
        // Near misses: no level, no blank, not at the start, Storage Spaces.
        {"", "Intel Raid Volume", std::nullopt, sata},
        {"", "Intel Raid  Volume", std::nullopt, sata},
        {"", "Intel Raid 0 Volumes Samsung", std::nullopt, volume},
        {"", "Intel Raid0 Volume", std::nullopt, sata},
        {"", "My AMD-RAID Array 1", std::nullopt, sata},
        {"STORAGE\\DISK\\{5E0A5F4C}", "Microsoft Storage Space Device", std::nullopt, sata},
        // Virtual machines' disks, from real listings, by either text.
        {"SCSI\\DISK&VEN_VBOX&PROD_HARDDISK\\4&2617AEAE&0&000000", "VBOX HARDDISK ATA Device",
         std::nullopt, vm},
        {"SCSI\\DISK&VEN_VMWARE&PROD_VIRTUAL_DISK\\5&1982005&0&000000",
         "VMware Virtual disk SCSI Disk Device", std::nullopt, vm},
        {"SCSI\\DISK&VEN_NVME&PROD_VMWARE_VIRTUAL_N\\5&2E4E1F2&0&000000", "", BusType::Nvme, vm},
        {"SCSI\\DISK&VEN_QEMU&PROD_HARDDISK\\4&1F16B1C&0&000000", "", std::nullopt, vm},
        {"", "QEMU NVMe Ctrl", BusType::Nvme, vm},
        {"SCSI\\DISK&VEN_RED_HAT&PROD_VIRTIO\\4&2C8E1D2&0&000000",
         "Red Hat VirtIO SCSI Disk Device", std::nullopt, vm},
        {"IDE\\DISKVIRTUAL_HD______________________________1.1.0___\\5&35DC7040&0&0.0.0",
         "Virtual HD ATA Device", std::nullopt, vm},
        {"IDE\\DiskQEMU_HARDDISK___________________________2.5+____\\5&1A2B3C&0&0.0.0", "",
         std::nullopt, vm},
        {"", "Virtual_Disk NVME Premium", std::nullopt, vm},
        {"", "Amazon Elastic Block Store", BusType::Nvme, vm},
        {"", "XENSRC PVDISK SCSI Disk Device", std::nullopt, vm},
        {"", "Google PersistentDisk", std::nullopt, vm},
        // Each text alone, where the other text names nothing: VirtualBox's
        // NVMe disk, and the IDE forms of VirtualBox and VMware.
        {"SCSI\\DISK&VEN_NVME&PROD_ORCL-VBOX-NVME-V\\5&1BD9B5F&0&000000", "", BusType::Nvme, vm},
        {"", "ORCL-VBOX-NVME-VER12", BusType::Nvme, vm},
        {"SCSI\\DISK&VEN_VBOX&PROD_HARDDISK\\4&2617AEAE&0&000000", "", std::nullopt, vm},
        {"SCSI\\DISK&VEN_VMWARE&PROD_VIRTUAL_DISK\\5&1982005&0&000000", "", std::nullopt, vm},
        {"SCSI\\DISK&VEN_RED_HAT&PROD_VIRTIO\\4&2C8E1D2&0&000000", "", std::nullopt, vm},
        {"IDE\\DiskVBOX_HARDDISK___________________________1.0_____\\5&2E3F1A4&0&0.0.0", "",
         std::nullopt, vm},
        {"IDE\\DiskVMware_Virtual_IDE_Hard_Drive___________00000001\\3&61AAA01&0&0.0.0", "",
         std::nullopt, vm},
        // AWS: an EBS volume under Nitro, instance storage (Windows' and
        // Linux's names), an EBS volume under Xen.
        {"SCSI\\DISK&VEN_NVME&PROD_AMAZON_ELASTIC_B\\5&2A1B3C4D&0&000000", "NVMe Amazon Elastic B",
         BusType::Nvme, vm},
        {"SCSI\\DISK&VEN_NVME&PROD_AMAZON_EC2_NVME\\5&1C2D3E4F&0&000000", "NVMe Amazon EC2 NVMe",
         BusType::Nvme, vm},
        {"/sys/devices/pci0000:00/0000:00:1e.0/nvme/nvme1/nvme1n1",
         "Amazon EC2 NVMe Instance Storage", std::nullopt, vm},
        {"", "AWS PVDISK SCSI Disk Device", std::nullopt, vm},
        {"SCSI\\DISK&VEN_AWS&PROD_PVDISK\\1&2AFD7D61&0&000000", "", std::nullopt, vm},
        {"", "QEMU HARDDISK", std::nullopt, vm},
        {"", "VBOX HARDDISK", std::nullopt, vm},
        {"", "VMware Virtual disk SCSI Disk Device", std::nullopt, vm},
        {"", "Red Hat VirtIO SCSI Disk Device", std::nullopt, vm},
        // An array's volume is still a volume inside a virtual machine.
        {"SCSI\\DISK&VEN_INTEL&PROD_RAID_0_VOLUME", "VBOX HARDDISK", std::nullopt, volume},
        // Hyper-V's and Azure's disk, on the SCSI bus; the same texts with a
        // VHD's own bus, or with none read, keep their kind.
        {"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK\\000000", "Microsoft Virtual Disk",
         static_cast<BusType>(0x1), vm},
        {"", "Msft Virtual Disk", static_cast<BusType>(0x1), vm},
        {"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK\\000001", "Msft Virtual Disk",
         BusType::FileBackedVirtual, sata},
        {"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK\\000001", "Msft Virtual Disk", BusType::Virtual,
         sata},
        {"SCSI\\DISK&VEN_MSFT&PROD_VIRTUAL_DISK\\000001", "Msft Virtual Disk", std::nullopt, sata},
        // Near misses keep their kind: real drives, and Wine's own.
        {"SCSI\\DISK&VEN_NVME&PROD_SAMSUNG_SSD_980\\5&1", "Samsung SSD 980 1TB", std::nullopt,
         nvme},
        {"IDE\\Disk\\VEN_WINE", "Wine Disk Drive", static_cast<BusType>(0x1), sata},
        {"IDE\\DISKST1000DM010-2EP102______________CC43____\\5&1", "ST1000DM010-2EP102",
         std::nullopt, sata},
        {"", "VBOX HARD DISK", std::nullopt, sata},
        {"SCSI\\DISK&VEN_NVME&PROD_AMAZON_BASICS_S\\5&3B2C1D0E&0&000000", "NVMe Amazon Basics S",
         BusType::Nvme, nvme},
        {"", "Amazon Basics SSD", BusType::Nvme, nvme},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classifyDisk(c.pnp, c.model, c.bus), c.kind) << c.pnp << " / " << c.model;
    }
}

TEST(OutsideDrives, UsbFireWireRemovableVirtualAndExternalOnAnOutsideBusAreLeftOut) {
    struct Case {
        const char* interfaceType;
        const char* mediaType;
        std::optional<BusType> bus;  // what the drive says
        bool outside;
    };
    const auto sata = static_cast<BusType>(0xB), scsi = static_cast<BusType>(0x1);
    const Case cases[] = {
        // A USB stick, and a card-reader slot with no card in it.
        {"USB", "Removable Media", std::nullopt, true},
        {"USB", "", std::nullopt, true},
        {"1394", "External hard disk media", std::nullopt, true},
        {"IDE", "Removable media", std::nullopt, true},  // Wine's floppy letter
        {"SCSI", "removable media other than floppy", std::nullopt, true},
        // USB enclosures speak SCSI; only their own bus gives them away.
        {"SCSI", "External hard disk media", BusType::Usb, true},
        {"SCSI", "External hard disk media", BusType::Sd, true},
        {"SCSI", "External hard disk media", BusType::Mmc, true},
        {"SCSI", "External hard disk media", BusType::Ieee1394, true},
        // An internal disk on a hot-plug port, behind RST, or not to be opened.
        {"IDE", "External hard disk media", sata, false},
        {"SCSI", "External hard disk media", BusType::Raid, false},
        {"SCSI", "External hard disk media", std::nullopt, false},
        // A fixed disk on USB's bus is left to the rules above: only
        // "External" asks the bus about USB.
        {"SCSI", "Fixed hard disk media", BusType::Usb, false},
        {"IDE", "Fixed hard disk media", sata, false},
        {"SCSI", "Fixed hard disk media", std::nullopt, false},
        {"", "", std::nullopt, false},  // neither property a string
        // An attached VHD or VHDX, by its bus alone; a Hyper-V guest's own
        // "Msft Virtual Disk" on SCSI stays.
        {"SCSI", "Fixed hard disk media", BusType::Virtual, true},
        {"SCSI", "Fixed hard disk media", BusType::FileBackedVirtual, true},
        {"SCSI", "Fixed hard disk media", scsi, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isOutsideDrive(c.interfaceType, c.mediaType, c.bus), c.outside)
            << c.interfaceType << " / " << c.mediaType;
    }
}

}  // namespace
}  // namespace quorven::testing

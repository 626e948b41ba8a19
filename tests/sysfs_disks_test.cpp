#include <gtest/gtest.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "assess/chipset.h"
#include "probes/disk_inventory.h"
#include "probes/disk_inventory_posix.h"
#include "probes/pci_functions_posix.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

namespace fs = std::filesystem;

class SysfsTree : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorven-sysfs-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        fs::create_directories(root_ / "block");
    }
    void TearDown() override { fs::remove_all(root_); }

    // A block device under `devicePath`, linked from block/NAME as the
    // kernel does; a model file when `model` is given, a vendor file when
    // `vendor` is.
    void addDisk(const std::string& name, const std::string& devicePath,
                 const std::optional<std::string>& model, const char* removable = "0\n",
                 const char* vendor = nullptr) {
        const fs::path device = root_ / "devices" / devicePath / "block" / name;
        fs::create_directories(device / "device");
        if (model) std::ofstream(device / "device" / "model", std::ios::binary) << *model;
        if (vendor) std::ofstream(device / "device" / "vendor", std::ios::binary) << vendor;
        std::ofstream(device / "removable", std::ios::binary) << removable;
        fs::create_symlink(fs::relative(device, root_ / "block"), root_ / "block" / name);
    }

    // A PCI function at `address`, below its host bridge's folder and linked
    // from bus/pci/devices as the kernel does; each file as given, none when
    // empty, and a driver link when `driver` names one.
    void addPci(const std::string& address, const std::string& vendor, const std::string& device,
                const std::string& classCode, const std::string& driver = {}) {
        const fs::path folder = root_ / "devices" / ("pci" + address.substr(0, 7)) / address;
        fs::create_directories(folder);
        for (const auto& [file, text] :
             {std::pair{"vendor", vendor}, {"device", device}, {"class", classCode}}) {
            if (!text.empty()) std::ofstream(folder / file, std::ios::binary) << text;
        }
        if (!driver.empty()) {
            fs::create_directories(root_ / "bus" / "pci" / "drivers" / driver);
            fs::create_symlink(fs::relative(root_ / "bus" / "pci" / "drivers" / driver, folder),
                               folder / "driver");
        }
        fs::create_directories(root_ / "bus" / "pci" / "devices");
        fs::create_symlink(fs::relative(folder, root_ / "bus" / "pci" / "devices"),
                           root_ / "bus" / "pci" / "devices" / address);
    }

    fs::path root_;
};

TEST_F(SysfsTree, ListsPhysicalDisksSortedAndClassified) {
    addDisk("vda", "pci0000:00/0000:00:05.0/virtio2", std::nullopt);
    // An array's volume stays one below a hypervisor's bus too.
    addDisk("vdb", "pci0000:00/0000:00:06.0/virtio3", std::string("Intel Raid 0 Volume\n"));
    addDisk("sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0",
            std::string("QEMU HARDDISK   \n"), "0\n", "ATA     \n");
    // VMware's SCSI disk names its maker in the vendor file alone.
    addDisk("sdd", "pci0000:00/0000:00:10.0/host2/target2:0:0/2:0:0:0",
            std::string("Virtual disk    \n"), "0\n", "VMware  \n");
    addDisk("sde", "pci0000:00/0000:00:17.0/ata3/host3/target3:0:0/3:0:0:0",
            std::string("Samsung SSD 870 EVO 1TB\n"), "0\n", "ATA     \n");
    // Xen's and Hyper-V's disks, known by the bus they hang below.
    addDisk("xvda", "vbd-51712", std::nullopt);
    // Folders that only look like those buses'.
    addDisk("sdh", "platform/vbd-frontend/host4/target4:0:0/4:0:0:0",
            std::string("ST1000DM010-2EP102\n"), "0\n", "ATA     \n");
    addDisk("sdf",
            "LNXSYSTM:00/LNXSYBUS:00/ACPI0004:00/VMBUS:00/f8b3781b-1e82-4818-a1c3-63d806ec15bb/"
            "host0/target0:0:0/0:0:0:0",
            std::string("Virtual Disk    \n"), "0\n", "Msft    \n");
    addDisk("nvme0n1", "pci0000:00/0000:00:04.0/nvme/nvme0",
            std::string("Samsung SSD 990 PRO 2TB                 \n"));
    addDisk("loop0", "virtual", std::nullopt);
    addDisk("dm-0", "virtual", std::string("ignored\n"));
    // A disk in a USB enclosure, which the kernel does not call removable,
    // a card reader's slot, and an optical drive.
    addDisk("sdb", "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0",
            std::string("RTL9210 NVME    \n"));
    addDisk("sdc", "pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/host7/target7:0:0/7:0:0:0",
            std::string("SD/MMC          \n"), "1\n");
    addDisk("sr0", "pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0",
            std::string("DVD-RAM\n"), "1\n");
    fs::create_symlink("../devices/nowhere", root_ / "block" / "dangling");
    // In 512-byte sectors, whatever the disk's own; one that would not fit
    // in 64 bits as bytes is as unknown as none.
    std::ofstream(root_ / "block" / "sde" / "size") << "1953525168\n";
    std::ofstream(root_ / "block" / "nvme0n1" / "size") << "3907029168\n";
    std::ofstream(root_ / "block" / "sdh" / "size") << "36028797018963969\n";

    const std::vector<DiskRecord> disks = listSysfsDisks(root_);

    EXPECT_EQ(disks, (std::vector<DiskRecord>{
                         {"/dev/nvme0n1", "Samsung SSD 990 PRO 2TB", 0, 1, 0, 0, 2'000'398'934'016},
                         {"/dev/sda", "QEMU HARDDISK", 0, 0, 0, 1},
                         {"/dev/sdd", "Virtual disk", 0, 0, 0, 1},
                         {"/dev/sde", "Samsung SSD 870 EVO 1TB", 1, 0, 0, 0, 1'000'204'886'016},
                         {"/dev/sdf", "Virtual Disk", 0, 0, 0, 1},
                         {"/dev/sdh", "ST1000DM010-2EP102", 1, 0, 0, 0},
                         {"/dev/vda", "", 0, 0, 0, 1},
                         {"/dev/vdb", "Intel Raid 0 Volume", 0, 0, 1, 0},
                         {"/dev/xvda", "", 0, 0, 0, 1},
                     }));
}

TEST_F(SysfsTree, ListsPciFunctionsWithTheirDriversAndFindsTheChipset) {
    addPci("0000:00:1f.2", "0x8086\n", "0xa352\n", "0x010601\n", "ahci");
    addPci("0000:00:00.0", "0x8086\n", "0x3e30\n", "0x060000\n");
    // As on an Arrow Lake desktop: the processor's own ISA function, listed
    // first, and the chipset's eSPI bridge behind the second host bridge,
    // neither with a driver bound.
    addPci("0000:80:1f.0", "0x8086\n", "0x7f08\n", "0x060100\n");
    addPci("0000:00:1f.0", "0x8086\n", "0xae0d\n", "0x060100\n");
    addPci("0000:01:00.0", "0x144d\n", "0xa80a\n", "0x010802\n", "nvme");
    // Left out: a class that cannot be read, IDs not in the kernel's form.
    addPci("0000:02:00.0", "0x10de\n", "0x2684\n", "");
    addPci("0000:03:00.0", "8086\n", "0xa308\n", "0x060100\n");
    addPci("0000:04:00.0", "0x18086\n", "0xa308\n", "0x060100\n");
    addPci("0000:05:00.0", "0x8086\n", "0xzz\n", "0x060100\n");

    const std::vector<PciFunction> functions = listSysfsPciFunctions(root_);

    EXPECT_EQ(functions, (std::vector<PciFunction>{
                             {0x8086, 0x3E30, 0x060000, ""},
                             {0x8086, 0xAE0D, 0x060100, ""},
                             {0x8086, 0xA352, 0x010601, "ahci"},
                             {0x144D, 0xA80A, 0x010802, "nvme"},
                             {0x8086, 0x7F08, 0x060100, ""},
                         }));
    EXPECT_EQ(findChipset(functions),
              (Chipset{CpuVendor::Intel, "Intel W880", ChipsetRaid::Unknown}));
    EXPECT_TRUE(listSysfsPciFunctions(root_ / "absent").empty());
}

// The listing is read on a thread of its own as soon as the lister is made,
// before anyone asks, and only once; the one who asks gets it.
TEST(ReadAheadPciLister, ReadsOnceOnAnotherThreadBeforeItIsAskedFor) {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::thread::id> readOn;
    int reads = 0;
    bool released = false;
    const std::vector<PciFunction> listing = {lpcBridge(0x8086, 0xA308)};
    const std::thread::id asking = std::this_thread::get_id();
    const auto lister = makeReadAheadPciLister([&] {
        std::unique_lock lock(mutex);
        readOn = std::this_thread::get_id();
        ++reads;
        changed.notify_all();
        // Held until the test has looked, unless read on the asking thread,
        // which would then wait for itself.
        if (readOn != asking) changed.wait(lock, [&] { return released; });
        return listing;
    });
    {
        std::unique_lock lock(mutex);
        // Started at once; 30 s only keep a lister that never reads ahead
        // from hanging the test.
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(30), [&] { return reads > 0; }))
            << "nothing was read before the listing was asked for";
        EXPECT_NE(readOn, asking);
        released = true;
        changed.notify_all();
    }
    EXPECT_EQ(lister->listPciFunctions(), listing);
    const std::lock_guard lock(mutex);
    EXPECT_EQ(reads, 1);
}

TEST_F(SysfsTree, MissingBlockFolderGivesNoDisks) {
    fs::remove_all(root_ / "block");
    EXPECT_TRUE(listSysfsDisks(root_).empty());
    EXPECT_TRUE(listSysfsDisks(root_ / "absent").empty());
}

TEST(SysfsModel, DropsTrailingBlanksAndLineFeedOnly) {
    EXPECT_EQ(cleanSysfsModel("QEMU HARDDISK   \n"), "QEMU HARDDISK");
    EXPECT_EQ(cleanSysfsModel("  WDC WD10EZEX\t\n"), "  WDC WD10EZEX");
    EXPECT_EQ(cleanSysfsModel(" \n"), "");
    EXPECT_EQ(cleanSysfsModel(""), "");
    EXPECT_EQ(cleanSysfsModel("a\nb\n"), "a\nb");
}

// The lister reads this machine's own /sys. Told apart here another way:
// a block device with a device behind it (loop, ram, zram, dm and md have
// none), neither removable nor on USB, is listed, and nothing else is.
TEST(SysfsDisks, ThisMachinesFixedDevicesAreListedAndNothingElse) {
    std::set<std::string> fixed;
    std::error_code none;
    for (const auto& entry : fs::directory_iterator("/sys/block", none)) {
        const std::string device = fs::canonical(entry.path(), none).string();
        std::string removable;
        std::ifstream(entry.path() / "removable") >> removable;
        if (fs::exists(entry.path() / "device") && removable != "1" &&
            device.find("/usb") == std::string::npos) {
            fixed.insert("/dev/" + entry.path().filename().string());
        }
    }
    std::set<std::string> listed;
    for (const DiskRecord& disk : makeDiskLister()->listDisks().disks) {
        listed.insert(disk.deviceId);
        EXPECT_EQ(disk.isSata + disk.isNvme + disk.isRaidVolume + disk.isVirtual, 1)
            << disk.deviceId;
    }
    EXPECT_EQ(listed, fixed);
}

}  // namespace
}  // namespace quorven::testing

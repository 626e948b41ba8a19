#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "probes/disk_inventory.h"
#include "probes/disk_inventory_posix.h"

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
    // kernel does; a model file when `model` is given.
    void addDisk(const std::string& name, const std::string& devicePath,
                 const std::optional<std::string>& model, const char* removable = "0\n") {
        const fs::path device = root_ / "devices" / devicePath / "block" / name;
        fs::create_directories(device / "device");
        if (model) std::ofstream(device / "device" / "model", std::ios::binary) << *model;
        std::ofstream(device / "removable", std::ios::binary) << removable;
        fs::create_symlink(fs::relative(device, root_ / "block"), root_ / "block" / name);
    }

    fs::path root_;
};

TEST_F(SysfsTree, ListsPhysicalDisksSortedAndClassified) {
    addDisk("vda", "pci0000:00/0000:00:05.0/virtio2", std::nullopt);
    addDisk("sda", "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0",
            std::string("QEMU HARDDISK   \n"));
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

    const std::vector<DiskRecord> disks = listSysfsDisks(root_);

    EXPECT_EQ(disks, (std::vector<DiskRecord>{
                         {"/dev/nvme0n1", "Samsung SSD 990 PRO 2TB", 0, 1},
                         {"/dev/sda", "QEMU HARDDISK", 1, 0},
                         {"/dev/vda", "", 1, 0},
                     }));
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

TEST(SysfsDisks, ThisMachineListsOnlyRealDevices) {
    const std::vector<DiskRecord> disks = makeDiskLister()->listDisks().disks;
    if (disks.empty()) GTEST_SKIP() << "this machine lists no disk to check";
    for (const DiskRecord& disk : disks) {
        EXPECT_TRUE(disk.deviceId.starts_with("/dev/")) << disk.deviceId;
        EXPECT_FALSE(disk.deviceId.starts_with("/dev/loop")) << disk.deviceId;
        EXPECT_EQ(disk.isSata + disk.isNvme, 1) << disk.deviceId;
    }
}

}  // namespace
}  // namespace quorven::testing

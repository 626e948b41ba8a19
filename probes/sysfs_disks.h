#pragma once
// The Linux stand-in for WMI's disk list: the block devices under sysfs.

#include <filesystem>
#include <string>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

/// A sysfs model file's text without its trailing blanks and line feed.
std::string cleanSysfsModel(std::string raw);

class SysfsDiskLister final : public DiskLister {
  public:
    /// `root` is the sysfs mount point, "/sys" outside tests.
    explicit SysfsDiskLister(std::filesystem::path root) : root_(std::move(root)) {}
    /// Every non-virtual block device, sorted by name.
    std::vector<DiskRecord> listDisks() override;

  private:
    std::filesystem::path root_;
};

}  // namespace quorven

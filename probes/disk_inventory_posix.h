#pragma once
// The Linux stand-in for WMI's disk list, open to its tests.

#include <string>
#include <vector>

#include "probes/disk_inventory.h"

namespace quorven {

/// Every block device of the sysfs tree at `root` that is neither one the
/// kernel makes up (loop, ram, dm, md), removable nor on USB, sorted by name.
std::vector<DiskRecord> listSysfsDisks(const std::string& root);
/// A sysfs model file's text without its trailing blanks.
std::string cleanSysfsModel(std::string raw);

}  // namespace quorven

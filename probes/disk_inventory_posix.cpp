#include "probes/disk_inventory.h"
#include "probes/sysfs_disks.h"

namespace quorven {

std::unique_ptr<DiskLister> makePlatformDiskLister(Output&) {
    return std::make_unique<SysfsDiskLister>("/sys");
}

}  // namespace quorven

#pragma once
// Lists the physical disks, each marked NVMe or SATA.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "console/terminal_io.h"

namespace quorven {

struct DiskRecord {
    std::string deviceId;
    std::string model;
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    bool operator==(const DiskRecord&) const = default;
};

struct DiskClass {
    std::int32_t isSata = 0;
    std::int32_t isNvme = 0;
    bool operator==(const DiskClass&) const = default;
};

/// NVMe when "nvme" occurs in either text, compared without ASCII case;
/// SATA otherwise.
DiskClass classifyDisk(const std::string& pnpDeviceId, const std::string& model);

class DiskLister {
  public:
    virtual ~DiskLister() = default;
    /// The disks in enumeration order; empty when none is found or the
    /// enumeration fails (after its own message on standard error).
    virtual std::vector<DiskRecord> listDisks() = 0;
};

/// WMI on Windows; sysfs under /sys on Linux.
std::unique_ptr<DiskLister> makePlatformDiskLister(Output& err);

}  // namespace quorven

#include "probes/disk_layout.h"

namespace quorven {
namespace {

// Drive letters, a Windows folder and controller modes are Windows' notions:
// the report's block never shows here.
class NoDiskLayout final : public DiskLayoutReader {
  public:
    DiskLayout readLayout(const std::vector<DiskRecord>&) override { return {}; }
};

}  // namespace

std::unique_ptr<DiskLayoutReader> makeDiskLayoutReader() {
    return std::make_unique<NoDiskLayout>();
}

}  // namespace quorven

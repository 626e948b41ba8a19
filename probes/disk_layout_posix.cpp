#include "probes/disk_layout.h"

namespace quorven {
namespace {

// Drive letters and a Windows folder are Windows' notions: no disk line of
// the report's block shows here.
class NoDiskLayout final : public DiskLayoutReader {
  public:
    DiskLayout readLayout(const std::vector<DiskRecord>&) override { return {}; }
};

}  // namespace

std::unique_ptr<DiskLayoutReader> makeDiskLayoutReader() {
    return std::make_unique<NoDiskLayout>();
}

}  // namespace quorven

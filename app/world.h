#pragma once
// Everything the check run needs from outside, handed in so that a whole run
// can be driven by a scripted fake.

#include <memory>

#include "console/console_api.h"
#include "io/terminal_io.h"
#include "probes/board_identity.h"
#include "probes/command_capture.h"
#include "probes/disk_inventory.h"
#include "probes/disk_layout.h"
#include "probes/pci_functions.h"
#include "probes/platform_probes.h"

namespace quorven {

struct World {
    Output& out;
    Output& err;
    Input& in;
    Pauser& pauser;
    ConsoleApi& console;
    CommandRunner& commands;
    DiskLister& disks;
    DiskLayoutReader& layout;
    PciLister& pci;
    ProbeTable probes;
    BoardCommands board;
};

/// The real world of this process and the objects behind it.
class PlatformWorld {
  public:
    PlatformWorld();
    PlatformWorld(const PlatformWorld&) = delete;
    PlatformWorld& operator=(const PlatformWorld&) = delete;
    World& world() { return world_; }

  private:
    std::unique_ptr<Output> out_;
    std::unique_ptr<Output> err_;
    StdioInput in_;
    std::unique_ptr<Pauser> pauser_;
    std::unique_ptr<ConsoleApi> console_;
    std::unique_ptr<CommandRunner> commands_;
    std::unique_ptr<DiskLister> disks_;
    std::unique_ptr<DiskLayoutReader> layout_;
    std::unique_ptr<PciLister> pci_;
    World world_;
};

}  // namespace quorven

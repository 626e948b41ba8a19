#include <cstdio>

#include "app/world.h"

namespace quorven {

PlatformWorld::PlatformWorld()
    : out_(makeStandardOutput()),
      err_(makeStandardError()),
      in_(stdin),
      pauser_(makePauser()),
      console_(makeConsole(*out_)),
      commands_(makeCommandRunner()),
      disks_(makeDiskLister()),
      layout_(makeDiskLayoutReader()),
      // Read from here on, while the run shows its banner and advice.
      pci_(makePciLister()),
      world_{*out_,
             *err_,
             in_,
             *pauser_,
             *console_,
             *commands_,
             *disks_,
             *layout_,
             *pci_,
             platformProbeTable(),
             platformBoardCommands()} {}

}  // namespace quorven

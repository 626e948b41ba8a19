#include <cstdio>

#include "app/stdio_input.h"
#include "app/world.h"

namespace quorven {

PlatformWorld::PlatformWorld()
    : out_(makeStandardOutput()),
      err_(makeStandardError()),
      in_(std::make_unique<StdioInput>(stdin)),
      pauser_(makePlatformPauser()),
      console_(makePlatformConsole(*out_)),
      processes_(makePlatformProcessApi()),
      runner_(*processes_),
      disks_(makePlatformDiskLister(*err_)),
      registry_(makePlatformRegistryProbe()),
      world_{*out_,
             *err_,
             *in_,
             *pauser_,
             *console_,
             runner_,
             *disks_,
             *registry_,
             platformProbeTable(),
             platformBoardCommands()} {}

}  // namespace quorven

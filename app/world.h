#pragma once
// Everything the check run needs from outside, handed in so that a whole run
// can be driven by a scripted fake.

#include <memory>

#include "assess/registry_probe.h"
#include "console/console_api.h"
#include "console/terminal_io.h"
#include "probes/board_identity.h"
#include "probes/command_capture.h"
#include "probes/disk_inventory.h"
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
    RegistryProbe& registry;
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
    std::unique_ptr<Input> in_;
    std::unique_ptr<Pauser> pauser_;
    std::unique_ptr<ConsoleApi> console_;
    std::unique_ptr<ProcessApi> processes_;
    CapturingRunner runner_;
    std::unique_ptr<DiskLister> disks_;
    std::unique_ptr<RegistryProbe> registry_;
    World world_;
};

/// Unbuffered writers on the process's standard output and error.
std::unique_ptr<Output> makeStandardOutput();
std::unique_ptr<Output> makeStandardError();
std::unique_ptr<Pauser> makePlatformPauser();
/// wmic, or its replacement where Windows has dropped it; sysfs on Linux.
BoardCommands platformBoardCommands();

/// Limits where DLLs are loaded from; called before anything else.
void hardenDllSearch();

}  // namespace quorven

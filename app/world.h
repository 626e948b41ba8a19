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
    virtual ~PlatformWorld() = default;
    virtual World& world() = 0;
};

std::unique_ptr<PlatformWorld> makePlatformWorld();

/// Limits where DLLs are loaded from; called before anything else.
void hardenDllSearch();

}  // namespace quorven

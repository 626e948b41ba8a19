#pragma once

#include "app/world.h"

namespace quorven {

/// One pass through the check: probes, banner, board advice, status lines,
/// disks, the CPU question, the optional report and the verdict. Returns the
/// exit status: 0 after a verdict, 1 after an early exit.
int runCheck(World& world);

}  // namespace quorven

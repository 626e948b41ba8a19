#include "probes/platform_probes.h"

namespace quorven {

ProbeTable platformProbeTable() {
    return windowsProbeTable();
}

}  // namespace quorven

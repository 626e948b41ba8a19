#include "probes/platform_probes.h"

namespace quorven {

// Each prints what its PowerShell counterpart prints, one line per device.
// They need no root, so no second source: the TPM one always answers, and
// the Secure Boot one is silent only on a BIOS boot, which is UNSUPPORTED.
ProbeTable platformProbeTable() {
    return probeTable(
        "for d in /sys/class/net/*; do [ -d \"$d/wireless\" ] || continue; "
        "if [ \"$(cat \"$d/operstate\" 2>/dev/null)\" = up ]; then echo Up; else echo Down; fi; "
        "done",
        "for d in /sys/class/bluetooth/hci*; do [ -e \"$d\" ] || continue; b=0; "
        "for s in \"$d\"/rfkill*/soft \"$d\"/rfkill*/hard; do "
        "[ \"$(cat \"$s\" 2>/dev/null)\" = 1 ] && b=1; done; "
        "if [ $b = 1 ]; then echo Error; else echo OK; fi; done",
        "if [ -e /sys/class/tpm/tpm0 ]; then echo True; else echo False; fi",
        "[ -d /sys/firmware/efi ] || exit 0; "
        "v=$(od -An -tu1 -j4 -N1 "
        "/sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d2-aa0d-00e098032b8c "
        "2>/dev/null | tr -d ' '); "
        "if [ \"$v\" = 1 ]; then echo True; else echo False; fi");
}

}  // namespace quorven

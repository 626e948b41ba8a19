// A look-alike tool dropped into the folder that quorven.exe is started from
// (copied there as powershell.exe, wmic.exe, cmd.exe and mode.com). It must
// never run; if it does, it leaves a marker file beside itself.
#include "fake_common.h"

int main() {
    fake::leaveMarker(nullptr);
    return 0;
}

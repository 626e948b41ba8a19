#include <windows.h>

#include "app/check_run.h"

int main() {
    // COM and WMI load their DLLs later; none of them may come from the
    // folder that quorven.exe was started from (a Downloads folder, say).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    quorven::PlatformWorld platform;
    return quorven::runCheck(platform.world());
}

#include <windows.h>

#include "app/check_run.h"
#include "win32/system_folder.h"

int main() {
    // COM and WMI load their DLLs later; none of them may come from the
    // folder that quorven.exe was started from (a Downloads folder, say).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // cmd.exe looks for a command in its current folder before PATH, and
    // every child inherits ours: a powershell.exe, wmic.exe or mode.com
    // dropped into the folder of a double-click would run in place of the
    // real one. The program reads and writes no files, so nothing else
    // depends on where it was started. Neither call fails on a working
    // Windows, and the run has no line of its own to report it with: it goes
    // on, with cmd.exe still named by its full path and tbs.dll still loaded
    // from the system folder only.
    if (const std::optional<std::string> folder = quorven::systemFolder()) {
        SetCurrentDirectoryA(folder->c_str());
    }
    quorven::PlatformWorld platform;
    return quorven::runCheck(platform.world());
}

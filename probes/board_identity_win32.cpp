#include <windows.h>

#include "probes/board_identity.h"
#include "win32/system_folder.h"

namespace quorven {

BoardCommands platformBoardCommands() {
    // Windows 11 24H2 leaves wmic out of new installs and 25H2 removes it.
    const std::optional<std::string> wmic = systemFolderPath("wbem\\WMIC.exe");
    return windowsBoardCommands(wmic &&
                                GetFileAttributesA(wmic->c_str()) != INVALID_FILE_ATTRIBUTES);
}

}  // namespace quorven

#pragma once
// The reading of one window that the console's glue makes of the window
// GetConsoleWindow gives; apart, so that a Windows test can hand it windows
// of its own making.

#include <windows.h>

#include "console/console_api.h"

namespace quorven {

/// `window`'s host by its class name, and whether it is shown; user32 comes
/// from the system folder only, and is loaded only for a window.
ConsoleWindow consoleWindowOf(HWND window);

}  // namespace quorven

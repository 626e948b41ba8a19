// Hands the console's glue windows of the classes it tells apart, shown and
// hidden, and checks its reading of each. Wine never gives a program the
// stand-in window of a Windows terminal, nor the classic console host's,
// but it makes a window of any class a program registers, once it has a
// display driver (the null one will do).
// Exit status: 0 when every reading is right, 1 when one is not (each wrong
// one on standard output), 2 when no window can be made.
#include <windows.h>

#include <cstdio>

#include "win32/console_window.h"

namespace {

using quorven::ConsoleHost;
using quorven::ConsoleWindow;

const char* hostName(ConsoleHost host) {
    switch (host) {
        case ConsoleHost::NoWindow:
            return "no window";
        case ConsoleHost::ClassicConsole:
            return "classic console";
        case ConsoleHost::WineConsole:
            return "Wine console";
        case ConsoleHost::Pseudoconsole:
            return "pseudoconsole";
        case ConsoleHost::Other:
            break;
    }
    return "other";
}

int wrong = 0;

void check(const char* what, HWND window, ConsoleWindow expected) {
    const ConsoleWindow got = quorven::consoleWindowOf(window);
    const bool right = got == expected;
    wrong += !right;
    std::printf("%s %s: %s, %s", right ? "ok  " : "FAIL", what, hostName(got.host),
                got.visible ? "shown" : "hidden");
    if (!right) {
        std::printf(" (expected %s, %s)", hostName(expected.host),
                    expected.visible ? "shown" : "hidden");
    }
    std::printf("\n");
}

}  // namespace

int main() {
    struct Row {
        const wchar_t* className;
        const char* what;
        ConsoleHost host;
    };
    const Row rows[] = {
        {L"PseudoConsoleWindow", "PseudoConsoleWindow", ConsoleHost::Pseudoconsole},
        {L"ConsoleWindowClass", "ConsoleWindowClass", ConsoleHost::ClassicConsole},
        {L"WineConsoleClass", "WineConsoleClass", ConsoleHost::WineConsole},
        // A host we do not know, named like the known ones.
        {L"ConsoleWindowClass2", "ConsoleWindowClass2", ConsoleHost::Other},
    };
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const Row& row : rows) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = row.className;
        if (RegisterClassExW(&windowClass) == 0) {
            std::printf("cannot register %s: %lu\n", row.what, GetLastError());
            return 2;
        }
        for (const bool shown : {false, true}) {
            const HWND window = CreateWindowExW(0, row.className, L"", WS_OVERLAPPEDWINDOW, 0, 0, 0,
                                                0, nullptr, nullptr, instance, nullptr);
            if (window == nullptr) {
                std::printf("cannot make a window of %s: %lu\n", row.what, GetLastError());
                return 2;
            }
            // As a pseudoconsole shows its stand-in once its terminal says so.
            if (shown) ShowWindow(window, SW_SHOWNOACTIVATE);
            char what[96];
            std::snprintf(what, sizeof what, "%s %s", shown ? "shown" : "hidden", row.what);
            check(what, window, {row.host, shown});
            DestroyWindow(window);
            // Gone, its class can no longer be read: a host we do not know.
            if (shown) check("a window no longer there", window, {ConsoleHost::Other, false});
        }
    }
    check("no window", nullptr, {ConsoleHost::NoWindow, false});
    return wrong == 0 ? 0 : 1;
}

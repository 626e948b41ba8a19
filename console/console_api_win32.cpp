// One Windows call per operation; the order and the messages live in the
// presenter, which is tested natively.
#include <windows.h>

#include <cstdlib>
#include <string_view>

#include "console/console_api.h"
#include "win32/console_window.h"

namespace quorven {
namespace {

HANDLE toHandle(ConsoleHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

class Win32Console final : public ConsoleApi {
  public:
    bool setOutputCodePage(unsigned codePage) override { return SetConsoleOutputCP(codePage) != 0; }
    ConsoleHandle stdOutputHandle() override {
        HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
        if (handle == INVALID_HANDLE_VALUE) return kInvalidConsoleHandle;
        return reinterpret_cast<ConsoleHandle>(handle);
    }
    bool setWindowInfo(ConsoleHandle handle, ConsoleRect window) override {
        const SMALL_RECT rect{window.left, window.top, window.right, window.bottom};
        return SetConsoleWindowInfo(toHandle(handle), TRUE, &rect) != 0;
    }
    bool setScreenBufferSize(ConsoleHandle handle, ConsoleSize size) override {
        return SetConsoleScreenBufferSize(toHandle(handle), COORD{size.columns, size.rows}) != 0;
    }
    ConsoleSize largestWindowSize(ConsoleHandle handle) override {
        const COORD largest = GetLargestConsoleWindowSize(toHandle(handle));
        return {largest.X, largest.Y};
    }
    std::uint32_t lastError() override { return GetLastError(); }
    bool setTextAttribute(ConsoleHandle handle, std::uint16_t attribute) override {
        return SetConsoleTextAttribute(toHandle(handle), attribute) != 0;
    }
    void runSystemCommand(const char* command) override {
        [[maybe_unused]] int ignored = std::system(command);
    }
    ConsoleWindow window() override { return consoleWindowOf(GetConsoleWindow()); }
};

}  // namespace

ConsoleWindow consoleWindowOf(HWND window) {
    if (window == nullptr) return {};
    // From the system folder only, and only once there is a window to ask
    // about: a program with no console never loads it.
    const HMODULE user32 = LoadLibraryExA("user32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (user32 == nullptr) return {ConsoleHost::Other, false};
    using GetClassNameCall = int(WINAPI*)(HWND, LPWSTR, int);
    using IsWindowVisibleCall = BOOL(WINAPI*)(HWND);
    const auto getClassName = reinterpret_cast<GetClassNameCall>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetClassNameW")));
    const auto isWindowVisible = reinterpret_cast<IsWindowVisibleCall>(
        reinterpret_cast<void*>(GetProcAddress(user32, "IsWindowVisible")));
    ConsoleWindow kind{ConsoleHost::Other,
                       isWindowVisible != nullptr && isWindowVisible(window) != 0};
    // A class name is at most 256 characters; a longer one is none we know.
    wchar_t name[257];
    const int length = getClassName != nullptr ? getClassName(window, name, 257) : 0;
    const std::wstring_view className(name, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (className == L"ConsoleWindowClass") {
        kind.host = ConsoleHost::ClassicConsole;
    } else if (className == L"WineConsoleClass") {
        kind.host = ConsoleHost::WineConsole;
    } else if (className == L"PseudoConsoleWindow") {
        kind.host = ConsoleHost::Pseudoconsole;
    }
    return kind;
}

std::unique_ptr<ConsoleApi> makeConsole(Output&) {
    return std::make_unique<Win32Console>();
}

}  // namespace quorven

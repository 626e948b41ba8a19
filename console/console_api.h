#pragma once
// The raw console calls that presentation makes, one per Windows function.
// Windows forwards them to the console API; Linux stands in for them without
// ever resizing the user's terminal.

#include <cstdint>
#include <memory>

namespace quorven {

class Output;

using ConsoleHandle = std::intptr_t;
inline constexpr ConsoleHandle kInvalidConsoleHandle = -1;

struct ConsoleRect {
    short left, top, right, bottom;
    bool operator==(const ConsoleRect&) const = default;
};

struct ConsoleSize {
    short columns, rows;
};

/// What draws the console's window, told by the window's class.
enum class ConsoleHost {
    /// GetConsoleWindow gave none: no console, or output sent elsewhere.
    NoWindow,
    /// "ConsoleWindowClass": the console host's own window.
    ClassicConsole,
    /// "WineConsoleClass": Wine's console.
    WineConsole,
    /// "PseudoConsoleWindow": the stand-in through which a terminal (Windows
    /// Terminal, VS Code, an ssh session) hosts the program.
    Pseudoconsole,
    /// A class we do not know, or one that could not be read.
    Other,
};

struct ConsoleWindow {
    ConsoleHost host = ConsoleHost::NoWindow;
    bool visible = false;
    bool operator==(const ConsoleWindow&) const = default;
};

class ConsoleApi {
  public:
    virtual ~ConsoleApi() = default;
    virtual bool setOutputCodePage(unsigned codePage) = 0;
    /// GetStdHandle(STD_OUTPUT_HANDLE); kInvalidConsoleHandle for INVALID_HANDLE_VALUE.
    virtual ConsoleHandle stdOutputHandle() = 0;
    /// SetConsoleWindowInfo with absolute coordinates.
    virtual bool setWindowInfo(ConsoleHandle handle, ConsoleRect window) = 0;
    virtual bool setScreenBufferSize(ConsoleHandle handle, ConsoleSize size) = 0;
    /// GetLargestConsoleWindowSize: 0 by 0 when the call fails.
    virtual ConsoleSize largestWindowSize(ConsoleHandle handle) = 0;
    virtual std::uint32_t lastError() = 0;
    virtual bool setTextAttribute(ConsoleHandle handle, std::uint16_t attribute) = 0;
    /// The C runtime's system(); its result is of no interest to callers.
    virtual void runSystemCommand(const char* command) = 0;
    /// The console's window: its host and whether it is shown.
    virtual ConsoleWindow window() = 0;
};

/// The console of this process. On Linux colours go to `out` as ANSI escapes,
/// and only when standard output is a terminal, which gets its own colour
/// back when the console goes.
std::unique_ptr<ConsoleApi> makeConsole(Output& out);

}  // namespace quorven

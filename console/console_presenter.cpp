#include "console/console_presenter.h"

#include <algorithm>
#include <string>

namespace quorven {

namespace {

void reportResizeFailure(Output& err, std::string_view call, std::uint32_t error) {
    std::string line = "[!] ";
    line += call;
    line += " failed. Error: ";
    line += std::to_string(error);
    line += '\n';
    err.write(line);
    err.flush();
}

void fallBackToMode(ConsoleApi& console, Output& out) {
    out.write("[!] Console resize failed, falling back...\n");
    // The command interpreter writes to the same console: ours must be out first.
    out.flush();
    console.runSystemCommand(kResizeFallbackCommand);
}

// Only a console window that is shown and that we know may be resized. A
// terminal that hosts the program through a pseudoconsole (Windows Terminal,
// VS Code, an ssh session) keeps its own size: the size calls and `mode`
// change only the pseudoconsole's buffer, and the terminal's text then acts
// as if it had been resized. Its stand-in window is known by its class alone:
// Windows Terminal shows it, and in the hand-off from the console host it is
// shown only once the terminal has taken over. A hidden window shows nothing
// to resize, and a host we do not know is left alone rather than harmed.
// With no window at all the calls are made as ever: where output goes
// elsewhere they fail, and the fallback says so.
bool mayResize(ConsoleWindow window) {
    switch (window.host) {
        case ConsoleHost::NoWindow:
            return true;
        case ConsoleHost::ClassicConsole:
        case ConsoleHost::WineConsole:
            return window.visible;
        case ConsoleHost::Pseudoconsole:
        case ConsoleHost::Other:
            break;
    }
    return false;
}

}  // namespace

ConsoleRect finalWindowWithin(ConsoleSize largest) {
    // Below 2 cells either way is no window at all: the call failed.
    if (largest.columns < 2 || largest.rows < 2) return kFinalWindow;
    return {0, 0, static_cast<short>(std::min(largest.columns, kScreenBufferSize.columns) - 1),
            static_cast<short>(std::min(largest.rows, kScreenBufferSize.rows) - 1)};
}

void prepareConsole(ConsoleApi& console, Output& out, Output& err) {
    console.setOutputCodePage(kUtf8CodePage);
    if (!mayResize(console.window())) return;
    const ConsoleHandle handle = console.stdOutputHandle();
    if (handle == kInvalidConsoleHandle) {
        fallBackToMode(console, out);
        return;
    }
    // The window may never be larger than the buffer, so shrink it before
    // the buffer is resized and grow it again afterwards.
    console.setWindowInfo(handle, kTemporaryWindow);
    if (!console.setScreenBufferSize(handle, kScreenBufferSize)) {
        reportResizeFailure(err, "SetConsoleScreenBufferSize", console.lastError());
        fallBackToMode(console, out);
        return;
    }
    // The console host refuses a window larger than the screen shows, and 90
    // rows are more than a 1080p screen holds at the default font.
    const ConsoleSize largest = console.largestWindowSize(handle);
    if (!console.setWindowInfo(handle, finalWindowWithin(largest))) {
        reportResizeFailure(err, "SetConsoleWindowInfo", console.lastError());
        fallBackToMode(console, out);
    }
}

void setTextColour(ConsoleApi& console, Output& out, std::uint16_t attribute) {
    // A colour applies to what is written after it, so nothing may still be
    // waiting in a buffer.
    out.flush();
    console.setTextAttribute(console.stdOutputHandle(), attribute);
}

void printBanner(ConsoleApi& console, Output& out) {
    setTextColour(console, out, kColourBanner);
    writeLine(out, bannerText());
    setTextColour(console, out, kColourNormal);
}

std::string_view verdictBoxText(bool supported) {
    // Both sentences centred in the same 40 cells, so that the frame closes.
    static constexpr std::string_view kDoes =
        "                 ******************************************\n"
        "                 *                                        *\n"
        "                 *      Your system DOES support RAID     *\n"
        "                 *                                        *\n"
        "                 ******************************************\n";
    static constexpr std::string_view kDoesNot =
        "                 ******************************************\n"
        "                 *                                        *\n"
        "                 *    Your system DOES NOT support RAID   *\n"
        "                 *                                        *\n"
        "                 ******************************************\n";
    return supported ? kDoes : kDoesNot;
}

void showVerdictBox(ConsoleApi& console, Output& out, bool supported) {
    setTextColour(console, out, supported ? kColourSupported : kColourNotSupported);
    writeText(out, verdictBoxText(supported));
    out.flush();
}

}  // namespace quorven

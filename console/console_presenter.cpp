#include "console/console_presenter.h"

#include <string>

namespace quorven {

void writeText(Output& out, std::string_view text) {
    out.write(text);
}

void writeLine(Output& out, std::string_view text) {
    out.write(text);
    out.write("\n");
    out.flush();
}

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

}  // namespace

void prepareConsole(ConsoleApi& console, Output& out, Output& err) {
    console.setOutputCodePage(kUtf8CodePage);
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
    if (!console.setWindowInfo(handle, kFinalWindow)) {
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

void showVerdictBox(ConsoleApi& console, Output& out, bool supported) {
    static constexpr std::string_view kEdge =
        "                 ******************************************";
    static constexpr std::string_view kSide =
        "                 *                                        *";
    static constexpr std::string_view kDoes =
        "                 *      Your system DOES support RAID     *";
    static constexpr std::string_view kDoesNot =
        "                 *    Your system DOES NOT support RAID   *";
    setTextColour(console, out, supported ? kColourSupported : kColourNotSupported);
    writeLine(out, kEdge);
    writeLine(out, kSide);
    writeLine(out, supported ? kDoes : kDoesNot);
    writeLine(out, kSide);
    writeLine(out, kEdge);
}

}  // namespace quorven

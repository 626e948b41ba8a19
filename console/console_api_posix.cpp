// Linux stands in for the console: the code page is UTF-8 already and the
// user's terminal is never resized, so those calls succeed without effect.
// Colours become ANSI escapes, but only on a terminal, as Windows colours only
// a console.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "console/console_api.h"
#include "io/terminal_io.h"

namespace quorven {
namespace {

const char* ansiForAttribute(std::uint16_t attribute) {
    switch (attribute) {
        case 7:
            return "\x1b[39m";
        case 9:
            return "\x1b[94m";
        case 10:
            return "\x1b[92m";
        case 12:
            return "\x1b[91m";
        default:
            return nullptr;
    }
}

class PosixConsole final : public ConsoleApi {
  public:
    explicit PosixConsole(Output& out) : out_(out) {}
    PosixConsole(const PosixConsole&) = delete;
    PosixConsole& operator=(const PosixConsole&) = delete;
    // A Windows console keeps the box's colour after the program, but a
    // terminal's prompt would come back in it: once the run is over, after
    // its last wait, the terminal's own colour is set back.
    ~PosixConsole() override {
        if (!coloured_) return;
        out_.write("\x1b[39m");
        out_.flush();
    }
    bool setOutputCodePage(unsigned) override { return true; }
    ConsoleHandle stdOutputHandle() override { return STDOUT_FILENO; }
    bool setWindowInfo(ConsoleHandle, ConsoleRect) override { return true; }
    bool setScreenBufferSize(ConsoleHandle, ConsoleSize) override { return true; }
    // No limit is known, and the window calls change nothing here anyway.
    ConsoleSize largestWindowSize(ConsoleHandle) override { return {0, 0}; }
    std::uint32_t lastError() override { return static_cast<std::uint32_t>(errno); }
    bool setTextAttribute(ConsoleHandle handle, std::uint16_t attribute) override {
        const char* escape = ansiForAttribute(attribute);
        if (escape == nullptr || !isatty(static_cast<int>(handle))) return false;
        out_.write(escape);
        out_.flush();
        coloured_ = true;
        return true;
    }
    void runSystemCommand(const char* command) override {
        [[maybe_unused]] int ignored = std::system(command);
    }
    // A terminal here has no window of the console's own.
    ConsoleWindow window() override { return {}; }

  private:
    Output& out_;
    bool coloured_ = false;
};

}  // namespace

std::unique_ptr<ConsoleApi> makeConsole(Output& out) {
    return std::make_unique<PosixConsole>(out);
}

}  // namespace quorven

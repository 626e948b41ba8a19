#include <windows.h>

#include <string>

#include "io/terminal_io.h"

namespace quorven {
namespace {

// WriteFile on the standard handle: msvcrt's printf and cout split UTF-8
// sequences into single bytes on the way to a console, which garbles the
// banner. Line feeds become CR LF, as a text-mode stream would write them.
class HandleOutput final : public Output {
  public:
    explicit HandleOutput(DWORD which) : which_(which) {}
    void write(std::string_view bytes) override {
        std::string text;
        text.reserve(bytes.size() + 16);
        for (char c : bytes) {
            if (c == '\n') text += '\r';
            text += c;
        }
        const HANDLE handle = GetStdHandle(which_);
        std::string_view rest = text;
        while (!rest.empty()) {
            DWORD written = 0;
            if (!WriteFile(handle, rest.data(), static_cast<DWORD>(rest.size()), &written,
                           nullptr) ||
                written == 0) {
                return;
            }
            rest.remove_prefix(written);
        }
    }
    void flush() override {}

  private:
    DWORD which_;
};

class SleepingPauser final : public Pauser {
  public:
    void pause(unsigned milliseconds) override { Sleep(milliseconds); }
};

}  // namespace

std::unique_ptr<Output> makeStandardOutput() {
    return std::make_unique<HandleOutput>(STD_OUTPUT_HANDLE);
}
std::unique_ptr<Output> makeStandardError() {
    return std::make_unique<HandleOutput>(STD_ERROR_HANDLE);
}
std::unique_ptr<Pauser> makePauser() {
    return std::make_unique<SleepingPauser>();
}

}  // namespace quorven

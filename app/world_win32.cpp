#include <windows.h>

#include <string>

#include "app/world.h"
#include "win32/system_folder.h"

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

bool wmicInstalled() {
    const std::optional<std::string> path = systemFolderPath("wbem\\WMIC.exe");
    return path && GetFileAttributesA(path->c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::unique_ptr<Output> makeStandardOutput() {
    return std::make_unique<HandleOutput>(STD_OUTPUT_HANDLE);
}
std::unique_ptr<Output> makeStandardError() {
    return std::make_unique<HandleOutput>(STD_ERROR_HANDLE);
}
std::unique_ptr<Pauser> makePlatformPauser() {
    return std::make_unique<SleepingPauser>();
}
BoardCommands platformBoardCommands() {
    return windowsBoardCommands(wmicInstalled());
}

void hardenDllSearch() {
    // COM and WMI load their DLLs later; none of them may come from the
    // folder that quorven.exe was started from (a Downloads folder, say).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace quorven

#include <windows.h>

#include <array>
#include <cstdio>
#include <vector>

#include "probes/command_capture.h"
#include "win32/system_folder.h"

namespace quorven {
namespace {

// Move-only owner of one handle; null and INVALID_HANDLE_VALUE are empty.
class UniqueHandle {
  public:
    explicit UniqueHandle(HANDLE handle = nullptr) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void reset(HANDLE handle = nullptr) {
        if (*this) CloseHandle(handle_);
        handle_ = handle;
    }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

class CmdRunner final : public CommandRunner {
  public:
    std::string runHiddenCommand(const std::string& command) override {
        SECURITY_ATTRIBUTES attributes{};
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = nullptr;
        attributes.bInheritHandle = TRUE;
        HANDLE readHandle = nullptr;
        HANDLE writeHandle = nullptr;
        if (!CreatePipe(&readHandle, &writeHandle, &attributes, 0)) return kPipeFailedText;
        UniqueHandle readEnd(readHandle);
        UniqueHandle writeEnd(writeHandle);

        // Naming cmd.exe by its full path keeps Windows from searching the
        // folder of quorven.exe first, where a planted cmd.exe would run instead.
        const std::optional<std::string> interpreter = systemFolderPath("cmd.exe");
        const std::string line = "cmd.exe /C " + command;
        std::vector<char> writableLine(line.begin(), line.end());
        writableLine.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdOutput = writeEnd.get();
        startup.hStdError = writeEnd.get();
        PROCESS_INFORMATION info{};
        const bool started =
            interpreter &&
            CreateProcessA(interpreter->c_str(), writableLine.data(), nullptr, nullptr, TRUE,
                           CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info);
        // Close our copy of the write end before reading: while we hold it
        // the pipe never breaks and the read loop never ends.
        writeEnd.reset();
        if (!started) return kRunFailedText;
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);

        // The broken pipe, once the interpreter and all it started have
        // exited, is the only sign of the end; the process is never waited on.
        std::string result;
        std::array<char, kHiddenReadSize> buffer;
        DWORD got = 0;
        while (ReadFile(readEnd.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr) &&
               got != 0) {
            result.append(buffer.data(), got);
        }
        // Read end, process, thread: the owners alone would close them in
        // the reverse order.
        readEnd.reset();
        process.reset();
        thread.reset();
        return result;
    }

    std::optional<std::string> readCommandStdout(const std::string& command) override {
        FILE* stream = _popen(command.c_str(), "r");
        if (stream == nullptr) return std::nullopt;
        std::string text = readStreamToEnd(stream);
        _pclose(stream);
        return text;
    }
};

}  // namespace

std::unique_ptr<CommandRunner> makeCommandRunner() {
    return std::make_unique<CmdRunner>();
}

}  // namespace quorven

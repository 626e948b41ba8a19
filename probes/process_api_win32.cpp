// One Windows call per operation; step order and failure texts live in the
// portable capture code.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "probes/command_capture.h"
#include "probes/process_api.h"
#include "win32/system_folder.h"

namespace quorven {
namespace {

HANDLE toHandle(OsHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
OsHandle fromHandle(HANDLE handle) {
    return reinterpret_cast<OsHandle>(handle);
}

class Win32ProcessApi final : public ProcessApi {
  public:
    bool createPipe(OsHandle& readEnd, OsHandle& writeEnd) override {
        SECURITY_ATTRIBUTES attributes{};
        attributes.nLength = sizeof(attributes);
        attributes.lpSecurityDescriptor = nullptr;
        attributes.bInheritHandle = TRUE;
        HANDLE readHandle = nullptr;
        HANDLE writeHandle = nullptr;
        if (!CreatePipe(&readHandle, &writeHandle, &attributes, 0)) return false;
        readEnd = fromHandle(readHandle);
        writeEnd = fromHandle(writeHandle);
        return true;
    }

    bool createProcess(const std::string& command, OsHandle writeEnd,
                       StartedProcess& started) override {
        // Naming cmd.exe by its full path keeps Windows from searching the
        // folder of quorven.exe first, where a planted cmd.exe would run instead.
        const std::optional<std::string> application = systemFolderPath("cmd.exe");
        if (!application) return false;
        const std::string line = hiddenCommandLine(command);
        std::vector<char> writableLine(line.begin(), line.end());
        writableLine.push_back('\0');

        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdOutput = toHandle(writeEnd);
        startup.hStdError = toHandle(writeEnd);
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(application->c_str(), writableLine.data(), nullptr, nullptr, TRUE,
                            CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
            return false;
        }
        started.process = fromHandle(info.hProcess);
        started.thread = fromHandle(info.hThread);
        return true;
    }

    std::optional<std::size_t> readFile(OsHandle handle, char* buffer, std::size_t size) override {
        DWORD got = 0;
        if (!ReadFile(toHandle(handle), buffer, static_cast<DWORD>(size), &got, nullptr)) {
            return std::nullopt;
        }
        return got;
    }

    void closeHandle(OsHandle handle) override { CloseHandle(toHandle(handle)); }
    void closeProcess(OsHandle process) override { CloseHandle(toHandle(process)); }

    Stream openStream(const std::string& command) override { return _popen(command.c_str(), "r"); }

    bool readStreamLine(Stream stream, char* buffer, int size) override {
        return std::fgets(buffer, size, static_cast<FILE*>(stream)) != nullptr;
    }

    void closeStream(Stream stream) override { _pclose(static_cast<FILE*>(stream)); }
};

}  // namespace

std::unique_ptr<ProcessApi> makePlatformProcessApi() {
    return std::make_unique<Win32ProcessApi>();
}

}  // namespace quorven

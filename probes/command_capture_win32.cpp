#include <windows.h>

#include <array>
#include <memory>
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

// The exact handles a child may inherit. Without the list it would inherit
// every inheritable handle of ours, and any other capture's pipe with it.
class InheritList {
  public:
    explicit InheritList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        list_ = list;
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                       handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    InheritList(const InheritList&) = delete;
    InheritList& operator=(const InheritList&) = delete;
    ~InheritList() {
        if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
    }
    /// Null where the system could not make the list: the child then
    /// inherits all that is inheritable, which is only what we pass it.
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

}  // namespace

// Standard input is the null device: a child that reads its input would
// otherwise take the answers piped to us. Standard error goes to the null
// device unless it is wanted, so that what a child complains of never lands
// above the banner.
Capture captureCommand(const std::string& command, bool withStandardError) {
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, nullptr, 0)) return {Capture::PipeFailed, {}};
    UniqueHandle readEnd(readHandle);
    UniqueHandle writeEnd(writeHandle);
    SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    UniqueHandle nullDevice(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                        OPEN_EXISTING, 0, nullptr));
    // Without NUL the child gets no handle there, which reads as end of
    // input and swallows what is written, as NUL would.
    const HANDLE quiet = nullDevice ? nullDevice.get() : nullptr;
    std::vector<HANDLE> inherited = {writeEnd.get()};
    if (quiet != nullptr) inherited.push_back(quiet);
    const InheritList inheritList(inherited);

    // Naming cmd.exe by its full path keeps Windows from searching the
    // folder of quorven.exe first, where a planted cmd.exe would run instead.
    const std::optional<std::string> interpreter = systemFolderPath("cmd.exe");
    const std::string line = "cmd.exe /C " + command;
    std::vector<char> writableLine(line.begin(), line.end());
    writableLine.push_back('\0');
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = quiet;
    startup.StartupInfo.hStdOutput = writeEnd.get();
    startup.StartupInfo.hStdError = withStandardError ? writeEnd.get() : quiet;
    startup.lpAttributeList = inheritList.get();
    DWORD flags = CREATE_NO_WINDOW;
    if (inheritList.get() != nullptr) flags |= EXTENDED_STARTUPINFO_PRESENT;
    PROCESS_INFORMATION info{};
    const bool started =
        interpreter && CreateProcessA(interpreter->c_str(), writableLine.data(), nullptr, nullptr,
                                      TRUE, flags, nullptr, nullptr, &startup.StartupInfo, &info);
    // Close our copy of the write end before reading: while we hold it
    // the pipe never breaks and the read loop never ends.
    writeEnd.reset();
    nullDevice.reset();
    if (!started) return {Capture::NotStarted, {}};
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);

    // The broken pipe, once the interpreter and all it started have
    // exited, is the only sign of the end; the process is never waited on.
    Capture capture{Capture::Read, {}};
    std::array<char, kCaptureReadSize> buffer;
    DWORD got = 0;
    while (
        ReadFile(readEnd.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
        got != 0) {
        capture.text.append(buffer.data(), got);
    }
    // Read end, process, thread: the owners alone would close them in
    // the reverse order.
    readEnd.reset();
    process.reset();
    thread.reset();
    return capture;
}

std::unique_ptr<CommandRunner> makeCommandRunner() {
    return makeInterpreterRunner(captureCommand);
}

}  // namespace quorven

#include <windows.h>

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

// An inheritable copy, made just before CreateProcessA and closed just
// after. The handles themselves never are inheritable: the C runtime's
// system(), which runs the `mode` fallback while every command of the run
// may still be going, passes on every inheritable handle, and a child holding another
// capture's write end would keep that read from ending. DuplicateHandle sets
// the flag itself, so no separate SetHandleInformation can fail and leave
// the list naming a handle that is not inherited. Wine's cmd has no `mode`
// and ends at once, so no Wine test could see a write end held there.
UniqueHandle inheritableCopy(HANDLE handle) {
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return UniqueHandle();
    }
    return UniqueHandle(copy);
}

// The exact handles a child may inherit. Without the list it would inherit
// every inheritable handle of ours. Wine hands a child its standard handles
// whether or not they are in the list, so no test under Wine can see this
// list go wrong.
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
    /// Null where the system could not make the list.
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    std::vector<HANDLE> handles_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// A job that ends every process in it once its last handle is closed: at
// the end of the capture, or when quorven itself ends, window closed or not.
// Wine refuses the flag in the basic form (error 87); the extended form
// works on both.
UniqueHandle killOnCloseJob() {
    UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                         sizeof(limits))) {
        return UniqueHandle();
    }
    return job;
}

class Win32Child final : public RunningChild {
  public:
    Win32Child(UniqueHandle process, UniqueHandle readEnd, UniqueHandle job)
        : process_(std::move(process)), readEnd_(std::move(readEnd)), job_(std::move(job)) {}

    // A successful read of 0 bytes is a child that wrote 0 bytes; the end
    // of an anonymous pipe is a failure, ERROR_BROKEN_PIPE once the child
    // and all it started have closed the write end.
    std::size_t read(char* buffer, std::size_t size) override {
        DWORD got = 0;
        while (ReadFile(readEnd_.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) {
            if (got != 0) return got;
        }
        return 0;
    }

    // Outside a job only the interpreter can be ended; a grandchild may
    // then keep the pipe open, and the batch stops waiting for this reader.
    void end() override {
        if (job_) {
            TerminateJobObject(job_.get(), 1);
        } else {
            TerminateProcess(process_.get(), 1);
        }
    }

  private:
    // Destroyed in reverse: the job first, which ends whatever the command
    // left running, then the read end and the process.
    UniqueHandle process_;
    UniqueHandle readEnd_;
    UniqueHandle job_;
};

}  // namespace

// Standard input is the null device: a child that reads its input would
// otherwise take the answers piped to us. Standard error goes to the null
// device unless it is wanted, so that what a child complains of never lands
// above the banner.
StartedChild startChild(const CommandRequest& request) {
    HANDLE readHandle = nullptr;
    HANDLE writeHandle = nullptr;
    if (!CreatePipe(&readHandle, &writeHandle, nullptr, 0)) return {nullptr, Capture::PipeFailed};
    UniqueHandle readEnd(readHandle);
    UniqueHandle writeEnd(writeHandle);
    UniqueHandle childWrite = inheritableCopy(writeEnd.get());
    if (!childWrite) return {nullptr, Capture::PipeFailed};
    writeEnd.reset();

    UniqueHandle nullDevice(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
    // Without NUL the child gets no handle there, which reads as end of
    // input and swallows what is written, as NUL would.
    UniqueHandle childQuiet = nullDevice ? inheritableCopy(nullDevice.get()) : UniqueHandle();
    const HANDLE quiet = childQuiet ? childQuiet.get() : nullptr;
    std::vector<HANDLE> inherited = {childWrite.get()};
    if (quiet != nullptr) inherited.push_back(quiet);
    const InheritList inheritList(inherited);
    // Started without the list, the child would inherit every other
    // capture's write end, and their reads would end only when it does.
    if (inheritList.get() == nullptr) return {nullptr, Capture::NotStarted};

    // Naming cmd.exe by its full path keeps Windows from searching the
    // folder of quorven.exe first, where a planted cmd.exe would run instead.
    const std::optional<std::string> interpreter = systemFolderPath("cmd.exe");
    const std::string line = "cmd.exe /C " + request.command;
    std::vector<char> writableLine(line.begin(), line.end());
    writableLine.push_back('\0');
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = quiet;
    startup.StartupInfo.hStdOutput = childWrite.get();
    startup.StartupInfo.hStdError = request.withStandardError ? childWrite.get() : quiet;
    startup.lpAttributeList = inheritList.get();
    UniqueHandle job = killOnCloseJob();
    PROCESS_INFORMATION info{};
    // Suspended until it is in its job, so that nothing it starts escapes:
    // resumed first, a child that starts a grandchild at once could do so
    // before the assignment, and the grandchild would outlive the job. That
    // is a race that no test can pin down, so only this order guards it.
    const bool started =
        interpreter &&
        CreateProcessA(interpreter->c_str(), writableLine.data(), nullptr, nullptr, TRUE,
                       CREATE_NO_WINDOW | CREATE_SUSPENDED | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                       nullptr, &startup.StartupInfo, &info);
    // Close our copies of the write end before reading: while we hold one
    // the pipe never breaks and the read never ends.
    childWrite.reset();
    childQuiet.reset();
    nullDevice.reset();
    if (!started) return {nullptr, Capture::NotStarted};
    UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    // Refused under an outer job that forbids it (UI limits, say): the
    // child then runs outside any job, and end() has only its process.
    // Wine assigns even inside an outer job, so no Wine test reaches this.
    if (job && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    ResumeThread(thread.get());
    return {std::make_unique<Win32Child>(std::move(process), std::move(readEnd), std::move(job)),
            Capture::Read};
}

}  // namespace quorven

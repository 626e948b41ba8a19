#include "probes/command_capture.h"

#include <array>
#include <algorithm>
#include <utility>

namespace quorven {
namespace {

// Move-only owner of one handle that the api gave us; `closer` is the api
// call that lets go of it.
class ApiHandle {
  public:
    using Closer = void (ProcessApi::*)(OsHandle);
    ApiHandle(ProcessApi& api, Closer closer) : api_(api), closer_(closer) {}
    ApiHandle(const ApiHandle&) = delete;
    ApiHandle& operator=(const ApiHandle&) = delete;
    ~ApiHandle() { reset(); }

    void adopt(OsHandle handle) {
        reset();
        handle_ = handle;
        owned_ = true;
    }
    void reset() {
        if (owned_) {
            owned_ = false;
            (api_.*closer_)(handle_);
        }
    }
    OsHandle get() const { return handle_; }

  private:
    ProcessApi& api_;
    Closer closer_;
    OsHandle handle_ = 0;
    bool owned_ = false;
};

class ApiStream {
  public:
    ApiStream(ProcessApi& api, ProcessApi::Stream stream) : api_(api), stream_(stream) {}
    ApiStream(const ApiStream&) = delete;
    ApiStream& operator=(const ApiStream&) = delete;
    ~ApiStream() {
        if (stream_ != nullptr) api_.closeStream(stream_);
    }
    ProcessApi::Stream get() const { return stream_; }

  private:
    ProcessApi& api_;
    ProcessApi::Stream stream_;
};

}  // namespace

std::string hiddenCommandLine(const std::string& command) {
    return "cmd.exe /C " + command;
}

std::string runHiddenCommand(ProcessApi& api, const std::string& command) {
    std::string result;
    OsHandle rawRead = 0;
    OsHandle rawWrite = 0;
    if (!api.createPipe(rawRead, rawWrite)) return kPipeFailedText;

    // Declared in acquisition order, so they close in reverse: thread,
    // process, then the read end.
    ApiHandle readEnd(api, &ProcessApi::closeHandle);
    readEnd.adopt(rawRead);
    ApiHandle writeEnd(api, &ProcessApi::closeHandle);
    writeEnd.adopt(rawWrite);

    StartedProcess started;
    const bool running = api.createProcess(command, writeEnd.get(), started);
    // Close our copy of the write end before reading: while we hold it the
    // pipe never breaks and the read loop never ends.
    writeEnd.reset();
    if (!running) return kRunFailedText;

    ApiHandle process(api, &ProcessApi::closeProcess);
    process.adopt(started.process);
    ApiHandle thread(api, &ProcessApi::closeHandle);
    if (started.thread) thread.adopt(*started.thread);

    std::array<char, kHiddenReadSize> buffer;
    for (;;) {
        const std::optional<std::size_t> got =
            api.readFile(readEnd.get(), buffer.data(), buffer.size());
        if (!got || *got == 0) break;
        result.append(buffer.data(), *got);
    }
    // Explicitly read end, process, thread: the owners alone would close
    // thread before process.
    readEnd.reset();
    process.reset();
    thread.reset();
    return result;
}

std::optional<std::string> readCommandStdout(ProcessApi& api, const std::string& command) {
    ApiStream stream(api, api.openStream(command));
    if (stream.get() == nullptr) return std::nullopt;
    std::string text;
    std::array<char, kStreamLineSize> buffer;
    while (api.readStreamLine(stream.get(), buffer.data(), kStreamLineSize)) {
        // fgets gives no length: what follows a NUL byte in one read is lost.
        const char* end = std::find(buffer.begin(), buffer.end(), '\0');
        text.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    }
    return text;
}

}  // namespace quorven

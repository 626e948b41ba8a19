#pragma once
// The raw process, pipe and pipe-stream calls behind command capture, one per
// platform function. Windows forwards them to CreatePipe, CreateProcessA,
// ReadFile, CloseHandle, _popen, fgets and _pclose; Linux to pipe, posix_spawn
// of /bin/sh, read, close, waitpid, popen, fgets and pclose.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quorven {

using OsHandle = std::intptr_t;

struct StartedProcess {
    OsHandle process = 0;
    /// Windows hands back a thread handle as well; Linux has none.
    std::optional<OsHandle> thread;
};

class ProcessApi {
  public:
    virtual ~ProcessApi() = default;

    /// An anonymous pipe whose two ends the child may inherit.
    virtual bool createPipe(OsHandle& readEnd, OsHandle& writeEnd) = 0;
    /// Starts the command interpreter on `command`, hidden, with standard
    /// output and standard error on `writeEnd` and no standard input.
    virtual bool createProcess(const std::string& command, OsHandle writeEnd,
                               StartedProcess& started) = 0;
    /// Bytes read (0 at end of data), or no value when the read fails.
    virtual std::optional<std::size_t> readFile(OsHandle handle, char* buffer,
                                                std::size_t size) = 0;
    virtual void closeHandle(OsHandle handle) = 0;
    /// Lets go of a started process. Windows closes its handle; Linux reaps it.
    virtual void closeProcess(OsHandle process) = 0;

    using Stream = void*;
    /// The runtime's pipe stream on the command's standard output; null when
    /// it cannot be started.
    virtual Stream openStream(const std::string& command) = 0;
    /// fgets: false at end of stream or on a read error.
    virtual bool readStreamLine(Stream stream, char* buffer, int size) = 0;
    virtual void closeStream(Stream stream) = 0;
};

std::unique_ptr<ProcessApi> makePlatformProcessApi();

}  // namespace quorven

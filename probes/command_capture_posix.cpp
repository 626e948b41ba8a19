// Linux stand-in for the Windows command interpreter: /bin/sh -c runs the
// command, with the same capture rules as cmd.exe /C on Windows.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "probes/command_capture.h"

extern char** environ;

namespace quorven {
namespace {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

class SpawnActions {
  public:
    SpawnActions() { ok_ = posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_) posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok() const { return ok_; }
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
    bool ok_;
};

// Standard output on `output`, and standard error too when it is wanted,
// else on /dev/null. Standard input on /dev/null, as on Windows, so that no
// child takes the user's answers.
bool spawnShell(const std::string& command, int output, bool withStandardError, pid_t& pid) {
    SpawnActions actions;
    if (!actions.ok() ||
        posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0) !=
            0 ||
        posix_spawn_file_actions_adddup2(actions.get(), output, STDOUT_FILENO) != 0 ||
        (withStandardError ? posix_spawn_file_actions_adddup2(actions.get(), output, STDERR_FILENO)
                           : posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO,
                                                              "/dev/null", O_WRONLY, 0)) != 0) {
        return false;
    }
    char shell[] = "/bin/sh";
    char flag[] = "-c";
    std::string text = command;
    char* argv[] = {shell, flag, text.data(), nullptr};
    return posix_spawn(&pid, shell, actions.get(), nullptr, argv, environ) == 0;
}

}  // namespace

Capture captureCommand(const std::string& command, bool withStandardError) {
    int fds[2];
    // Close-on-exec: the child gets the write end only through its
    // standard output and error, so no stray copy keeps the pipe open.
    if (pipe2(fds, O_CLOEXEC) != 0) return {Capture::PipeFailed, {}};
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);
    pid_t pid = 0;
    const bool started = spawnShell(command, writeEnd.get(), withStandardError, pid);
    // Close our copy of the write end before reading: while we hold it
    // the pipe never reaches end of file.
    writeEnd.reset();
    if (!started) return {Capture::NotStarted, {}};

    Capture capture{Capture::Read, {}};
    std::array<char, kCaptureReadSize> buffer;
    for (;;) {
        const ssize_t got = read(readEnd.get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        capture.text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    readEnd.reset();
    // Reaped, so that no zombie is left behind; the status is of no interest.
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return capture;
}

std::unique_ptr<CommandRunner> makeCommandRunner() {
    return makeInterpreterRunner(captureCommand);
}

}  // namespace quorven

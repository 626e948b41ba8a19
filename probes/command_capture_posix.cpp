// Linux stand-in for the Windows command interpreter: /bin/sh -c runs the
// command, with the same capture rules as cmd.exe /C on Windows, and a
// process group standing in for the job object.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "probes/command_capture.h"

extern char** environ;

namespace quorven {
namespace {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&&) = delete;
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

class SpawnAttributes {
  public:
    SpawnAttributes() { ok_ = posix_spawnattr_init(&attributes_) == 0; }
    ~SpawnAttributes() {
        if (ok_) posix_spawnattr_destroy(&attributes_);
    }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    // A group of its own, led by the shell: all it starts can be ended at
    // once.
    bool ownGroup() {
        return ok_ && posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETPGROUP) == 0 &&
               posix_spawnattr_setpgroup(&attributes_, 0) == 0;
    }
    posix_spawnattr_t* get() { return &attributes_; }

  private:
    posix_spawnattr_t attributes_;
    bool ok_;
};

// Standard output on `output`, and standard error too when it is wanted,
// else on /dev/null. Standard input on /dev/null, as on Windows, so that no
// child takes the user's answers.
bool spawnShell(const CommandRequest& request, int output, pid_t& pid) {
    SpawnActions actions;
    SpawnAttributes attributes;
    if (!actions.ok() || !attributes.ownGroup() ||
        posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0) !=
            0 ||
        posix_spawn_file_actions_adddup2(actions.get(), output, STDOUT_FILENO) != 0 ||
        (request.withStandardError
             ? posix_spawn_file_actions_adddup2(actions.get(), output, STDERR_FILENO)
             : posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY,
                                                0)) != 0) {
        return false;
    }
    char shell[] = "/bin/sh";
    char flag[] = "-c";
    std::string text = request.command;
    char* argv[] = {shell, flag, text.data(), nullptr};
    return posix_spawn(&pid, shell, actions.get(), attributes.get(), argv, environ) == 0;
}

class PosixChild final : public RunningChild {
  public:
    PosixChild(Fd readEnd, pid_t pid) : readEnd_(std::move(readEnd)), pid_(pid) {}
    PosixChild(const PosixChild&) = delete;
    PosixChild& operator=(const PosixChild&) = delete;
    // The group goes before the shell is reaped: until then its number
    // cannot pass to another process. Reaped, so that no zombie is left
    // behind; the status is of no interest.
    ~PosixChild() override {
        end();
        readEnd_.reset();
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }

    std::size_t read(char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = ::read(readEnd_.get(), buffer, size);
            if (got < 0 && errno == EINTR) continue;
            return got > 0 ? static_cast<std::size_t>(got) : 0;
        }
    }

    void end() override { kill(-pid_, SIGKILL); }

  private:
    Fd readEnd_;
    pid_t pid_;
};

}  // namespace

StartedChild startChild(const CommandRequest& request) {
    int fds[2];
    // Close-on-exec: the child gets the write end only through its
    // standard output and error, so no stray copy keeps the pipe open.
    if (pipe2(fds, O_CLOEXEC) != 0) return {nullptr, Capture::PipeFailed};
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);
    pid_t pid = 0;
    const bool started = spawnShell(request, writeEnd.get(), pid);
    // Close our copy of the write end before reading: while we hold it
    // the pipe never reaches end of file.
    writeEnd.reset();
    if (!started) return {nullptr, Capture::NotStarted};
    return {std::make_unique<PosixChild>(std::move(readEnd), pid), Capture::Read};
}

}  // namespace quorven

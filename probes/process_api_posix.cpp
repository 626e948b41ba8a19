// Linux stand-in for the Windows process calls: /bin/sh takes the place of
// cmd.exe, and "closing" a process reaps it so that no zombie is left.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "probes/process_api.h"

extern char** environ;

namespace quorven {
namespace {

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

class PosixProcessApi final : public ProcessApi {
  public:
    bool createPipe(OsHandle& readEnd, OsHandle& writeEnd) override {
        int fds[2];
        // Close-on-exec: the child gets the write end only through its
        // standard output and error, so no stray copy keeps the pipe open.
        if (pipe2(fds, O_CLOEXEC) != 0) return false;
        readEnd = fds[0];
        writeEnd = fds[1];
        return true;
    }

    bool createProcess(const std::string& command, OsHandle writeEnd,
                       StartedProcess& started) override {
        SpawnActions actions;
        const int fd = static_cast<int>(writeEnd);
        if (!actions.ok() ||
            posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY,
                                             0) != 0 ||
            posix_spawn_file_actions_adddup2(actions.get(), fd, STDOUT_FILENO) != 0 ||
            posix_spawn_file_actions_adddup2(actions.get(), fd, STDERR_FILENO) != 0) {
            return false;
        }
        char shell[] = "/bin/sh";
        char flag[] = "-c";
        std::string text = command;
        char* argv[] = {shell, flag, text.data(), nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, shell, actions.get(), nullptr, argv, environ) != 0) return false;
        started.process = pid;
        started.thread.reset();
        return true;
    }

    std::optional<std::size_t> readFile(OsHandle handle, char* buffer, std::size_t size) override {
        for (;;) {
            const ssize_t got = read(static_cast<int>(handle), buffer, size);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno != EINTR) return std::nullopt;
        }
    }

    void closeHandle(OsHandle handle) override { close(static_cast<int>(handle)); }

    void closeProcess(OsHandle process) override {
        int status = 0;
        while (waitpid(static_cast<pid_t>(process), &status, 0) < 0 && errno == EINTR) {
        }
    }

    Stream openStream(const std::string& command) override { return popen(command.c_str(), "r"); }

    bool readStreamLine(Stream stream, char* buffer, int size) override {
        return std::fgets(buffer, size, static_cast<FILE*>(stream)) != nullptr;
    }

    void closeStream(Stream stream) override { pclose(static_cast<FILE*>(stream)); }
};

}  // namespace

std::unique_ptr<ProcessApi> makePlatformProcessApi() {
    return std::make_unique<PosixProcessApi>();
}

}  // namespace quorven

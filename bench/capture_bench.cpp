// Times one of quorven's two capture paths, or the shell doing the same
// transfer, and launches programs so that their peak memory can be read.
//
//   capture_bench once OP FILE
//       OP: hidden | stdout | hidden-baseline | stdout-baseline | none | touch.
//       Prints: OP <TAB> bytes <TAB> seconds of the call alone.
//   capture_bench measure REPORT -- PROGRAM [ARG...]
//       Runs PROGRAM on this process's standard handles and writes to REPORT:
//       wall seconds, peak RSS KiB, CPU seconds, minor faults, context
//       switches, exit status.
//
// One capture per process: a process that has already grown and freed large
// strings keeps that memory in its allocator, and later captures of up to
// that size would then skip the page faults a real capture pays.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "probes/command_capture.h"
#include "probes/process_api.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void die(const std::string& why) {
    std::fprintf(stderr, "capture_bench: %s\n", why.c_str());
    std::exit(2);
}

std::string quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

// Compared in small pieces: holding a second copy of the file would add its
// size to the peak memory this process is launched to show.
bool sameAsFile(const std::string& text, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) die("cannot open " + path);
    std::vector<char> piece(64 * 1024);
    std::size_t at = 0;
    bool same = true;
    for (;;) {
        const std::size_t got = std::fread(piece.data(), 1, piece.size(), file);
        if (got == 0) break;
        if (at + got > text.size() || std::memcmp(text.data() + at, piece.data(), got) != 0) {
            same = false;
            break;
        }
        at += got;
    }
    std::fclose(file);
    return same && at == text.size();
}

std::size_t fileSize(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr || std::fseek(file, 0, SEEK_END) != 0) die("cannot open " + path);
    const long size = std::ftell(file);
    std::fclose(file);
    return static_cast<std::size_t>(size);
}

// The baselines go through /bin/sh -c just as the product's commands do, so
// the shell's start-up is paid on both sides of the ratio.
void runShell(const std::string& command) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) die("spawn actions");
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // dd reports its record counts on stderr; they are not part of the work.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char shell[] = "/bin/sh";
    char flag[] = "-c";
    std::string text = command;
    char* argv[] = {shell, flag, text.data(), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, shell, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) die("cannot start /bin/sh for: " + command);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) die("baseline failed: " + command);
}

int once(const std::string& op, const std::string& file) {
    const auto api = quorven::makePlatformProcessApi();
    const std::string cat = "cat " + quoted(file);
    std::string captured;
    bool captures = true;
    const auto start = Clock::now();
    if (op == "hidden") {
        captured = quorven::runHiddenCommand(*api, cat);
    } else if (op == "stdout") {
        std::optional<std::string> got = quorven::readCommandStdout(*api, cat);
        if (!got) die("readCommandStdout could not start cat");
        captured = std::move(*got);
    } else if (op == "hidden-baseline") {
        runShell(cat + " | dd bs=128 of=/dev/null");
        captures = false;
    } else if (op == "stdout-baseline") {
        runShell(cat + " | cat > /dev/null");
        captures = false;
    } else if (op == "none") {
        captures = false;
    } else if (op == "touch") {
        // The least any capture that keeps the text must pay: fresh memory of
        // the output's size, written once.
        std::string buffer;
        buffer.resize(fileSize(file), 'x');
        if (buffer.back() != 'x') die("touch wrote nothing");
        captures = false;
    } else {
        die("unknown operation " + op);
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    const std::size_t bytes = captures ? captured.size() : fileSize(file);
    if (captures && !sameAsFile(captured, file)) {
        die(op + " did not hand back the bytes of " + file + " (got " +
            std::to_string(captured.size()) + " bytes)");
    }
    std::printf("%s\t%zu\t%.9f\n", op.c_str(), bytes, took.count());
    return 0;
}

// A fork of this small process, not of the caller: a child's peak RSS starts
// from the memory of the process it was forked from, and a script launching
// directly would lend it its own.
int measure(const std::string& report, char** argv) {
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) die("fork failed");
    if (pid == 0) {
        execvp(argv[0], argv);
        std::fprintf(stderr, "capture_bench: cannot run %s: %s\n", argv[0], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) die("wait4 failed");
    }
    const std::chrono::duration<double> took = Clock::now() - start;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::FILE* out = std::fopen(report.c_str(), "w");
    if (out == nullptr) die("cannot write " + report);
    std::fprintf(out, "%.9f\t%ld\t%.6f\t%ld\t%ld\t%d\n", took.count(), usage.ru_maxrss, cpu,
                 usage.ru_minflt, usage.ru_nvcsw + usage.ru_nivcsw, code);
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "once") == 0) return once(argv[2], argv[3]);
    if (argc >= 5 && std::strcmp(argv[1], "measure") == 0 && std::strcmp(argv[3], "--") == 0) {
        return measure(argv[2], argv + 4);
    }
    std::fprintf(
        stderr,
        "usage: capture_bench once hidden|stdout|hidden-baseline|stdout-baseline|none|touch FILE\n"
        "       capture_bench measure REPORT -- PROGRAM [ARG...]\n");
    return 2;
}

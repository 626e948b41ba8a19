#pragma once
// Runs external commands side by side, each to its end or to its time limit,
// and hands back what each one wrote.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace quorven {

inline constexpr const char* kPipeFailedText = "[!] Failed to create pipe\n";
inline constexpr const char* kRunFailedText = "[!] Failed to run command\n";
inline constexpr std::size_t kCaptureReadSize = 128;
/// A command still running this long after its start is ended, together
/// with every process it started.
inline constexpr std::chrono::milliseconds kCommandTimeLimit{30'000};
/// How long the reader of a command ended at its limit is still waited for.
/// Ending the command and all it started breaks its pipe at once; a process
/// that escaped the ending may hold it open, and the run never waits on it.
inline constexpr std::chrono::milliseconds kReaderGrace{1000};

/// One command line for the interpreter.
struct CommandRequest {
    std::string command;
    /// Standard error into the same text, in arrival order; else it goes to
    /// the null device.
    bool withStandardError = false;
};

/// One run of the interpreter, before each reader words its failures.
struct Capture {
    enum Outcome { Read, PipeFailed, NotStarted, TimedOut };
    Outcome outcome = Read;
    /// Every byte the command wrote, unchanged; empty unless Read: what a
    /// command wrote before its limit is no answer.
    std::string text;
};

/// Commands that were started together.
class StartedCommands {
  public:
    virtual ~StartedCommands() = default;
    /// Waits until each command has ended or has been ended at its limit.
    /// The captures come in the order in which the commands were given.
    virtual std::vector<Capture> collect() = 0;
};

/// What the run uses to run commands: through the interpreter, hidden, with
/// standard input on the null device, each on a pipe of its own.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    /// Starts every command at once, in the order given.
    virtual std::unique_ptr<StartedCommands> start(const std::vector<CommandRequest>& requests) = 0;
    /// Starts them and collects them.
    std::vector<Capture> run(const std::vector<CommandRequest>& requests) {
        return start(requests)->collect();
    }
};

/// The time in which the runner counts each command's limit and the
/// reader's grace: the steady clock, or one that a test moves on itself.
class RunnerClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~RunnerClock() = default;
    virtual TimePoint now() = 0;
    /// Waits on `changed`, whose mutex `lock` holds, until `ready` holds or
    /// `deadline` has come; whether `ready` holds.
    virtual bool waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                           TimePoint deadline, const std::function<bool()>& ready) = 0;
};

RunnerClock& steadyRunnerClock();

/// The system's command interpreter: cmd.exe from the Windows system folder,
/// or /bin/sh on Linux; each command may run for `limit`.
std::unique_ptr<CommandRunner> makeCommandRunner(
    std::chrono::milliseconds limit = kCommandTimeLimit, RunnerClock& clock = steadyRunnerClock());
/// The same, with the program's own limit, in `clock`'s time.
std::unique_ptr<CommandRunner> makeCommandRunner(RunnerClock& clock);

/// A capture as the board query reads it: the text, one of the two failure
/// texts, or nothing at all for a command ended at its limit.
std::string hiddenText(const Capture& capture);

/// The lines of a capture. Each ends at a line feed, which is not part of
/// it; a carriage return before it is. The last may lack its line feed, and
/// a final line feed opens no empty line.
std::vector<std::string_view> splitLines(std::string_view text);

// What each platform's file provides to the runner above.

/// A started child and its pipe's read end.
class RunningChild {
  public:
    /// Also ends whatever the command left running.
    virtual ~RunningChild() = default;
    /// Blocks for the next bytes; 0 once the output has really ended (every
    /// copy of the write end is closed) or can no longer be read.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    /// Ends the child and every process it started.
    virtual void end() = 0;
};

/// A child, or why there is none: PipeFailed or NotStarted.
struct StartedChild {
    std::unique_ptr<RunningChild> child;
    Capture::Outcome failure = Capture::NotStarted;
};

/// Starts one command on a pipe of its own. Called on the run's thread only,
/// one start at a time.
StartedChild startChild(const CommandRequest& request);

}  // namespace quorven

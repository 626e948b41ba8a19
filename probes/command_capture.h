#pragma once
// Runs one external command to its end and hands back what it wrote.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorven {

inline constexpr const char* kPipeFailedText = "[!] Failed to create pipe\n";
inline constexpr const char* kRunFailedText = "[!] Failed to run command\n";
inline constexpr std::size_t kCaptureReadSize = 128;

/// What the probes and the board identification use to run commands.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    /// Standard output and standard error together, in arrival order, bytes
    /// unchanged; or one of the two failure texts.
    virtual std::string runHiddenCommand(const std::string& command) = 0;
    /// Standard output only, bytes unchanged; no value when the command could
    /// not be started.
    virtual std::optional<std::string> readCommandStdout(const std::string& command) = 0;
};

/// The system's command interpreter: cmd.exe from the Windows system folder,
/// or /bin/sh on Linux.
std::unique_ptr<CommandRunner> makeCommandRunner();

/// One run of the interpreter, before each reader words its failures.
struct Capture {
    enum Outcome { Read, PipeFailed, NotStarted };
    Outcome outcome = Read;
    std::string text;
};

/// Runs the command through the interpreter, hidden, with standard input on
/// the null device, and reads its standard output to the end; standard error
/// goes into the same text when `withStandardError`, else to the null device.
Capture captureCommand(const std::string& command, bool withStandardError);

/// What the platform's makeCommandRunner wraps.
using CaptureFunction = Capture (*)(const std::string& command, bool withStandardError);
/// A runner over a capture, with its failures worded as each reader words
/// them.
std::unique_ptr<CommandRunner> makeInterpreterRunner(CaptureFunction capture);

/// The lines of a capture. Each ends at a line feed, which is not part of
/// it; a carriage return before it is. The last may lack its line feed, and
/// a final line feed opens no empty line.
std::vector<std::string_view> splitLines(std::string_view text);

}  // namespace quorven

#pragma once
// Runs one external command to its end and hands back what it wrote.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorven {

inline constexpr const char* kPipeFailedText = "[!] Failed to create pipe\n";
inline constexpr const char* kRunFailedText = "[!] Failed to run command\n";
inline constexpr std::size_t kHiddenReadSize = 128;
inline constexpr int kStreamLineSize = 256;

/// What the probes and the board identification use to run commands.
class CommandRunner {
  public:
    virtual ~CommandRunner() = default;
    /// Standard output and standard error together, in arrival order, bytes
    /// unchanged; or one of the two failure texts.
    virtual std::string runHiddenCommand(const std::string& command) = 0;
    /// Standard output only; no value when the command could not be started.
    virtual std::optional<std::string> readCommandStdout(const std::string& command) = 0;
};

/// The system's command interpreter: cmd.exe from the Windows system folder,
/// or /bin/sh on Linux.
std::unique_ptr<CommandRunner> makeCommandRunner();

/// The lines of a capture. Each ends at a line feed, which is not part of
/// it; a carriage return before it is. The last may lack its line feed, and
/// a final line feed opens no empty line.
std::vector<std::string_view> splitLines(std::string_view text);

/// Reads a pipe stream to its end with fgets, 255 bytes at a time.
std::string readStreamToEnd(std::FILE* stream);

}  // namespace quorven

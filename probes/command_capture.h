#pragma once
// Runs one external command to its end and hands back what it wrote.

#include <optional>
#include <string>

#include "probes/process_api.h"

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

/// The command line handed to the Windows command interpreter.
std::string hiddenCommandLine(const std::string& command);

std::string runHiddenCommand(ProcessApi& api, const std::string& command);
std::optional<std::string> readCommandStdout(ProcessApi& api, const std::string& command);

class CapturingRunner final : public CommandRunner {
  public:
    explicit CapturingRunner(ProcessApi& api) : api_(api) {}
    std::string runHiddenCommand(const std::string& command) override {
        return quorven::runHiddenCommand(api_, command);
    }
    std::optional<std::string> readCommandStdout(const std::string& command) override {
        return quorven::readCommandStdout(api_, command);
    }

  private:
    ProcessApi& api_;
};

}  // namespace quorven

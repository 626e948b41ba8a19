#pragma once
// The byte streams and the clock through which the run and the console reach
// the user. The real ones write to the process's standard handles and sleep;
// tests pass fakes that record a transcript.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace quorven {

/// A byte sink: standard output or standard error.
class Output {
  public:
    virtual ~Output() = default;
    virtual void write(std::string_view bytes) = 0;
    virtual void flush() = 0;
};

/// Standard input, read by whole lines for the answers and by one character
/// for the final wait.
class Input {
  public:
    virtual ~Input() = default;
    /// One line without its line feed; at end of input, what was read so far
    /// (the empty text when nothing was).
    virtual std::string readLine() = 0;
    /// Reads and discards one character; returns at once at end of input.
    virtual void readChar() = 0;
};

/// Blocks the one thread for a number of milliseconds.
class Pauser {
  public:
    virtual ~Pauser() = default;
    virtual void pause(unsigned milliseconds) = 0;
};

void writeText(Output& out, std::string_view text);
/// The text, a line feed, then a flush.
void writeLine(Output& out, std::string_view text);

/// Standard input through the C runtime, which on Windows also turns a
/// console's or a pipe's CR LF into LF.
class StdioInput final : public Input {
  public:
    explicit StdioInput(std::FILE* stream) : stream_(stream) {}
    std::string readLine() override;
    void readChar() override;

  private:
    std::FILE* stream_;
};

/// Unbuffered writers on the process's standard output and error, so that
/// every text is on the screen before the next pause, colour change or read.
std::unique_ptr<Output> makeStandardOutput();
std::unique_ptr<Output> makeStandardError();
std::unique_ptr<Pauser> makePauser();

}  // namespace quorven

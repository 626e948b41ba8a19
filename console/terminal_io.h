#pragma once
// The byte streams and the clock through which every step talks to the user.
// The real ones write to the process's standard handles and sleep; tests pass
// fakes that record a transcript.

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

}  // namespace quorven

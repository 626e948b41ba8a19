#pragma once

#include <cstdio>

#include "console/terminal_io.h"

namespace quorven {

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

}  // namespace quorven

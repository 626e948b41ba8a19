#include "app/stdio_input.h"

namespace quorven {

std::string StdioInput::readLine() {
    std::string line;
    for (int c = std::getc(stream_); c != EOF && c != '\n'; c = std::getc(stream_)) {
        line += static_cast<char>(c);
    }
    return line;
}

void StdioInput::readChar() {
    std::getc(stream_);
}

}  // namespace quorven

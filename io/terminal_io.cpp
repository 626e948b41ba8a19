#include "io/terminal_io.h"

namespace quorven {

void writeText(Output& out, std::string_view text) {
    out.write(text);
}

void writeLine(Output& out, std::string_view text) {
    out.write(text);
    out.write("\n");
    out.flush();
}

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

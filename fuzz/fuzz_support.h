#pragma once
// Shared by the fuzz targets: a check that survives NDEBUG and stand-ins for
// the console streams, shaped like the real ones.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/terminal_io.h"

// assert() vanishes under NDEBUG; a fuzz check must abort in every build so
// that libFuzzer records the input.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace quorven::fuzz {

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

class RecordingOutput final : public Output {
  public:
    void write(std::string_view bytes) override { text.append(bytes); }
    void flush() override {}
    std::string text;
};

// Hands out the text line by line the way the C runtime reader does: up to a
// line feed, which is consumed and not returned; the rest at end of input.
class TextInput final : public Input {
  public:
    explicit TextInput(std::string_view text) : text_(text) {}
    std::string readLine() override {
        const std::size_t end = text_.find('\n');
        std::string line(text_.substr(0, end));
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
        return line;
    }
    void readChar() override {
        if (!text_.empty()) text_.remove_prefix(1);
    }

  private:
    std::string_view text_;
};

}  // namespace quorven::fuzz

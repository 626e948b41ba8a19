#include "probes/command_capture.h"

#include <algorithm>
#include <array>

namespace quorven {

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::string readStreamToEnd(std::FILE* stream) {
    std::string text;
    std::array<char, kStreamLineSize> buffer;
    // End of stream and a read error are not told apart: either ends it.
    while (std::fgets(buffer.data(), kStreamLineSize, stream) != nullptr) {
        // fgets gives no length: what follows a NUL byte in one read is lost.
        const char* end = std::find(buffer.begin(), buffer.end(), '\0');
        text.append(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    }
    return text;
}

}  // namespace quorven

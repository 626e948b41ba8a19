#include "probes/command_capture.h"

namespace quorven {

std::string hiddenText(const Capture& capture) {
    switch (capture.outcome) {
        case Capture::PipeFailed:
            return kPipeFailedText;
        case Capture::NotStarted:
            return kRunFailedText;
        case Capture::TimedOut:
            // Read as a board that says nothing: the ticket line.
            return {};
        case Capture::Read:
            break;
    }
    return capture.text;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

}  // namespace quorven

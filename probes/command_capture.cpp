#include "probes/command_capture.h"

namespace quorven {
namespace {

class InterpreterRunner final : public CommandRunner {
  public:
    explicit InterpreterRunner(CaptureFunction capture) : capture_(capture) {}

    std::string runHiddenCommand(const std::string& command) override {
        Capture capture = capture_(command, true);
        if (capture.outcome == Capture::PipeFailed) return kPipeFailedText;
        if (capture.outcome == Capture::NotStarted) return kRunFailedText;
        return std::move(capture.text);
    }

    std::optional<std::string> readCommandStdout(const std::string& command) override {
        Capture capture = capture_(command, false);
        if (capture.outcome != Capture::Read) return std::nullopt;
        return std::move(capture.text);
    }

  private:
    CaptureFunction capture_;
};

}  // namespace

std::unique_ptr<CommandRunner> makeInterpreterRunner(CaptureFunction capture) {
    return std::make_unique<InterpreterRunner>(capture);
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

#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "io/terminal_io.h"

namespace quorven {
namespace {

class FdOutput final : public Output {
  public:
    explicit FdOutput(int fd) : fd_(fd) {}
    void write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
            if (done < 0 && errno == EINTR) continue;
            if (done <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(done));
        }
    }
    void flush() override {}

  private:
    int fd_;
};

class SleepingPauser final : public Pauser {
  public:
    void pause(unsigned milliseconds) override {
        timespec left{static_cast<time_t>(milliseconds / 1000),
                      static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&left, &left) != 0 && errno == EINTR) {
        }
    }
};

}  // namespace

std::unique_ptr<Output> makeStandardOutput() {
    return std::make_unique<FdOutput>(STDOUT_FILENO);
}
std::unique_ptr<Output> makeStandardError() {
    return std::make_unique<FdOutput>(STDERR_FILENO);
}
std::unique_ptr<Pauser> makePauser() {
    return std::make_unique<SleepingPauser>();
}

}  // namespace quorven

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/stdio_input.h"
#include "app/world.h"

namespace quorven {
namespace {

// Unbuffered, so every text is on the screen before the next pause, colour
// change or read.
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

class PosixWorld final : public PlatformWorld {
public:
    PosixWorld()
        : out_(STDOUT_FILENO),
          err_(STDERR_FILENO),
          in_(stdin),
          console_(makePlatformConsole(out_)),
          processes_(makePlatformProcessApi()),
          runner_(*processes_),
          disks_(makePlatformDiskLister(err_)),
          registry_(makePlatformRegistryProbe()),
          world_{out_,     err_,    in_,        pauser_,
                 *console_, runner_, *disks_,    *registry_,
                 posixProbeTable(), posixBoardCommands()} {}
    World& world() override { return world_; }

private:
    FdOutput out_;
    FdOutput err_;
    StdioInput in_;
    SleepingPauser pauser_;
    std::unique_ptr<ConsoleApi> console_;
    std::unique_ptr<ProcessApi> processes_;
    CapturingRunner runner_;
    std::unique_ptr<DiskLister> disks_;
    std::unique_ptr<RegistryProbe> registry_;
    World world_;
};

}  // namespace

std::unique_ptr<PlatformWorld> makePlatformWorld() { return std::make_unique<PosixWorld>(); }

void hardenDllSearch() {}

}  // namespace quorven

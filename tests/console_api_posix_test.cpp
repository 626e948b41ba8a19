// Linux colours: ANSI escapes on a terminal, nothing when redirected.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include "console/console_api.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

// Puts `fd` in the place of standard output for the life of the object.
class StdoutSwap {
  public:
    explicit StdoutSwap(int fd) : saved_(dup(STDOUT_FILENO)) { dup2(fd, STDOUT_FILENO); }
    ~StdoutSwap() {
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

  private:
    int saved_;
};

TEST(PosixConsole, ColoursAreAnsiEscapesOnATerminal) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    Transcript t;
    FakeOutput out(t, Event::Out);
    {
        StdoutSwap swap(slave);
        const auto console = makeConsole(out);
        const ConsoleHandle handle = console->stdOutputHandle();
        for (const std::uint16_t attribute : {9, 7, 10, 12}) {
            EXPECT_TRUE(console->setTextAttribute(handle, attribute));
        }
        EXPECT_FALSE(console->setTextAttribute(handle, 5));
        // The terminal is never resized, and nothing is written for trying.
        EXPECT_TRUE(console->setScreenBufferSize(handle, {120, 90}));
        EXPECT_TRUE(console->setWindowInfo(handle, {0, 0, 119, 89}));
    }
    close(slave);
    close(master);
    // The last, once the console goes: the terminal's own colour again.
    EXPECT_EQ(t.stream(Event::Out), "\x1b[94m\x1b[39m\x1b[92m\x1b[91m\x1b[39m");
}

TEST(PosixConsole, NoEscapesWhenOutputIsRedirected) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    Transcript t;
    FakeOutput out(t, Event::Out);
    {
        StdoutSwap swap(fileno(file));
        const auto console = makeConsole(out);
        EXPECT_FALSE(console->setTextAttribute(console->stdOutputHandle(), 9));
    }
    std::fclose(file);
    EXPECT_TRUE(t.events.empty());
}

}  // namespace
}  // namespace quorven::testing

// The Linux runner, for real: /bin/sh children and their pipes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>

#include "probes/command_capture.h"

namespace quorven::testing {
namespace {

using namespace std::chrono_literals;

class PosixCapture : public ::testing::Test {
  protected:
    std::string hidden(const std::string& command) {
        return hiddenText(runner->run({{command, true}}).at(0));
    }
    Capture stdoutOnly(const std::string& command) { return runner->run({{command, false}}).at(0); }
    std::unique_ptr<CommandRunner> runner = makeCommandRunner();
};

TEST_F(PosixCapture, HiddenRunnerMixesBothStreamsInOrderAndKeepsEveryByte) {
    EXPECT_EQ(hidden("echo out1; echo err1 >&2; echo out2"), "out1\nerr1\nout2\n");
    EXPECT_EQ(hidden("printf 'a\\000b\\r\\nc'"), std::string("a\0b\r\nc", 6));
    const std::string big = hidden("head -c 100000 /dev/zero | tr '\\0' 'q'");
    EXPECT_EQ(big, std::string(100000, 'q'));
    EXPECT_EQ(hidden("echo partial; exit 3"), "partial\n");
    EXPECT_EQ(hidden("true"), "");
    const std::string missing = hidden("quorven-no-such-command");
    EXPECT_NE(missing.find("not found"), std::string::npos) << missing;
    // No standard input: a reader sees end of file at once.
    EXPECT_EQ(hidden("cat; echo done"), "done\n");
}

TEST_F(PosixCapture, StdoutReaderTakesStandardOutputOnlyAndLeavesOurStreamsAlone) {
    // Our standard error on a file for the length of the test: the child's
    // complaints must not reach it, as they would land above the banner.
    std::FILE* errors = std::tmpfile();
    ASSERT_NE(errors, nullptr);
    const int savedError = dup(STDERR_FILENO);
    dup2(fileno(errors), STDERR_FILENO);
    // Our standard input a pipe that holds the user's answers and stays
    // open, whatever CTest's own is: a child must read none of them.
    int answers[2];
    ASSERT_EQ(pipe(answers), 0);
    ASSERT_EQ(write(answers[1], "1\nn\n", 4), 4);
    const int savedInput = dup(STDIN_FILENO);
    dup2(answers[0], STDIN_FILENO);
    const Capture mixed = stdoutOnly("echo out; echo err >&2");
    const Capture reader = stdoutOnly("head -c 4; echo done");
    const std::string hiddenReader = hidden("head -c 4; echo done");
    dup2(savedInput, STDIN_FILENO);
    close(savedInput);
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    EXPECT_EQ(mixed.text, "out\n");
    EXPECT_EQ(reader.text, "done\n");
    EXPECT_EQ(hiddenReader, "done\n");
    EXPECT_EQ(std::ftell(errors), 0L);
    std::fclose(errors);
    close(answers[1]);
    char left[8] = {};
    EXPECT_EQ(read(answers[0], left, sizeof left), 4) << "a child read our answers";
    close(answers[0]);

    const std::string longLine(1000, 'L');
    EXPECT_EQ(stdoutOnly("printf '" + longLine + "\\n'").text, longLine + "\n");
    EXPECT_EQ(stdoutOnly("printf 'ab\\000cd\\r\\nef'").text, std::string("ab\0cd\r\nef", 9));
    const Capture failed = stdoutOnly("exit 4");
    EXPECT_EQ(failed.outcome, Capture::Read);
    EXPECT_EQ(failed.text, "");
    EXPECT_EQ(stdoutOnly("quorven-no-such-command").text, "");
}

// Started together, in order; each answer lands in its own capture, whatever
// order they end in and however much they write. Each command first waits
// until all of them are running: one after another, the first would wait in
// vain.
TEST_F(PosixCapture, CommandsRunSideBySideAndComeBackInTheirOwnOrder) {
    char folder[] = "/tmp/quorven-side-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string all = std::string(folder) + "/*";
    struct Row {
        std::string command;
        bool withStandardError;
        std::string text;
    };
    const std::string big(200000, 'b');
    const Row rows[] = {
        {"echo first", false, "first\n"},
        {"head -c 200000 /dev/zero | tr '\\0' b", false, big},
        {"echo out; echo err >&2", true, "out\nerr\n"},
        {"echo out; echo err >&2", false, "out\n"},
        {"head -c 300000 /dev/zero | tr '\\0' e >&2", true, std::string(300000, 'e')},
        {"true", true, ""},
    };
    std::vector<CommandRequest> requests;
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        // A command left alone gives up after some 20 s and says so, rather
        // than hang the test: a wait only to name the fault.
        const std::string arrive =
            "touch " + std::string(folder) + "/" + std::to_string(i) + "; n=0; until [ $(ls " +
            folder + " | wc -l) -ge " + std::to_string(std::size(rows)) +
            " ]; do n=$((n+1)); [ $n -lt 2000 ] || { echo ran alone; exit 1; }; sleep 0.01; done; ";
        requests.push_back({arrive + rows[i].command, rows[i].withStandardError});
    }
    const std::vector<Capture> captures = runner->run(requests);
    std::filesystem::remove_all(folder);
    ASSERT_EQ(captures.size(), std::size(rows));
    for (std::size_t i = 0; i < captures.size(); ++i) {
        EXPECT_EQ(captures[i].outcome, Capture::Read) << i;
        EXPECT_TRUE(captures[i].text == rows[i].text)
            << i << ": " << captures[i].text.size() << " bytes, starting "
            << captures[i].text.substr(0, 20);
    }
}

// What a process of this test machine is: gone, or a zombie whose parent has
// not yet reaped it.
bool gone(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const std::size_t state = line.rfind(')') + 2;
    return state < line.size() && line[state] == 'Z';
}

// A short limit, injected where the program has 30 s: the command is ended
// with the process it started, and what it wrote before is dropped. The
// others in the batch are untouched, one that takes a tenth of the limit
// among them.
TEST(PosixCaptureLimit, ACommandPastItsLimitIsEndedWithItsChildrenAndSaysNothing) {
    char folder[] = "/tmp/quorven-limit-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string pidFile = std::string(folder) + "/pid";
    const auto runner = makeCommandRunner(2s);
    const std::vector<Capture> captures =
        runner->run({{"echo before", false},
                     {"echo partial; sleep 60 & echo $! >" + pidFile + "; wait", true},
                     {"sleep 0.2; echo within", false}});
    std::string pid;
    std::ifstream(pidFile) >> pid;
    std::remove(pidFile.c_str());
    rmdir(folder);

    ASSERT_EQ(captures.size(), 3u);
    EXPECT_EQ(captures[0].outcome, Capture::Read);
    EXPECT_EQ(captures[0].text, "before\n");
    EXPECT_EQ(captures[1].outcome, Capture::TimedOut);
    EXPECT_EQ(captures[1].text, "");
    EXPECT_EQ(hiddenText(captures[1]), "");
    EXPECT_EQ(captures[2].outcome, Capture::Read);
    EXPECT_EQ(captures[2].text, "within\n");
    ASSERT_FALSE(pid.empty());
    EXPECT_TRUE(gone(pid)) << "sleep " << pid << " outlived its limit";
}

// Whatever a command leaves running dies with its capture, even when its
// output ended long before: a background child that let go of the pipe.
TEST(PosixCaptureLimit, WhatACommandLeftRunningEndsWithItsCapture) {
    const auto runner = makeCommandRunner(1s);
    const Capture capture = runner->run({{"sleep 30 >/dev/null 2>&1 & echo $!", false}}).at(0);
    ASSERT_EQ(capture.outcome, Capture::Read);
    const std::string pid = capture.text.substr(0, capture.text.find('\n'));
    ASSERT_FALSE(pid.empty());
    // SIGKILL is sent, not waited for, and the orphan is reaped by init: it
    // is gone within milliseconds, and 10 s only keep a broken kill from
    // hanging the test.
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!gone(pid) && std::chrono::steady_clock::now() < deadline) usleep(10'000);
    EXPECT_TRUE(gone(pid)) << "sleep " << pid << " outlived its capture";
}

// The runner begins each wait, and the test moves the clock on, within
// milliseconds, well under a second on a busy machine. Ten times that, and a
// wait still blocked has gone astray (a runner that waits outside this
// clock, or a run that waits for a grandchild): it fails, named, instead of
// hanging the suite.
constexpr auto kNoHang = 10s;

// Time stands still until the test moves it on, so that a limit of 30 s is
// seen without waiting for it. Every wait of the runner is noted with its
// deadline, in ms of this clock; while it waits, what it waits for may still
// come for real.
class HeldClock final : public RunnerClock {
  public:
    TimePoint now() override {
        const std::lock_guard lock(mutex_);
        return start_ + std::chrono::milliseconds(nowMs_);
    }
    bool waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline, const std::function<bool()>& ready) override {
        {
            const std::lock_guard own(mutex_);
            waits_.push_back(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - start_).count());
        }
        waited_.notify_all();
        const auto givenUp = std::chrono::steady_clock::now() + kNoHang;
        while (!ready()) {
            if (now() >= deadline) return false;
            if (std::chrono::steady_clock::now() > givenUp) {
                ADD_FAILURE() << "the clock was never moved to the runner's deadline";
                return false;
            }
            // Looks again now and then: the time moves on from the test's thread.
            changed.wait_for(lock, 1ms);
        }
        return true;
    }
    void moveTo(std::int64_t ms) {
        const std::lock_guard lock(mutex_);
        nowMs_ = ms;
    }
    /// Blocks until the runner has begun its `count`th wait; that wait's
    /// deadline, or -1 when it never begins one.
    std::int64_t deadlineOfWait(std::size_t count) {
        std::unique_lock lock(mutex_);
        if (!waited_.wait_for(lock, kNoHang, [&] { return waits_.size() >= count; })) {
            ADD_FAILURE() << "the runner never began wait " << count << " in this clock";
            return -1;
        }
        return waits_[count - 1];
    }
    std::size_t waits() {
        const std::lock_guard lock(mutex_);
        return waits_.size();
    }

  private:
    const TimePoint start_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable waited_;
    std::int64_t nowMs_ = 0;
    std::vector<std::int64_t> waits_;
};

// The program's own limit, counted from each command's start and not from
// when it is collected: commands started at 0 s and at 10 s, both collected
// at 20 s, are given until 30 s and 40 s.
TEST(PosixCaptureLimit, TheProgramsLimitIs30SecondsFromEachCommandsOwnStart) {
    HeldClock clock;
    const auto runner = makeCommandRunner(clock);
    const auto first = runner->start({{"exec sleep 60", false}});
    clock.moveTo(10'000);
    const auto second = runner->start({{"exec sleep 60", false}});
    clock.moveTo(20'000);
    for (const auto& [started, expected] :
         {std::pair{first.get(), 30'000}, std::pair{second.get(), 40'000}}) {
        const std::size_t before = clock.waits();
        auto collected = std::async(std::launch::async, [started] { return started->collect(); });
        const std::int64_t deadline = clock.deadlineOfWait(before + 1);
        EXPECT_EQ(deadline, expected);
        clock.moveTo(deadline);
        const std::vector<Capture> captures = collected.get();
        ASSERT_EQ(captures.size(), 1u);
        EXPECT_EQ(captures[0].outcome, Capture::TimedOut);
    }
}

// A grandchild in a session of its own escapes the ending and keeps the
// pipe open: once the command is ended at its limit, its reader is given a
// second more, and then the run goes on without it, the grandchild still
// alive and holding the pipe.
TEST(PosixCaptureLimit, AnEscapedGrandchildHoldingThePipeCostsOneSecondMore) {
    char folder[] = "/tmp/quorven-escape-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string pidFile = std::string(folder) + "/pid";
    HeldClock clock;
    const auto runner = makeCommandRunner(1s, clock);
    const auto started =
        runner->start({{"setsid sleep 30 & echo $! >" + pidFile + "; exec sleep 30", false}});
    // Ended only once the grandchild is out of reach, holding the pipe; it
    // is there within milliseconds, and 10 s only keep a broken shell from
    // hanging the test.
    std::string pid;
    for (int i = 0; i < 1000 && pid.empty(); ++i) {
        std::ifstream(pidFile) >> pid;
        if (pid.empty()) usleep(10'000);
    }
    auto collected = std::async(std::launch::async, [&] { return started->collect(); });
    const std::int64_t limit = clock.deadlineOfWait(1);
    EXPECT_EQ(limit, 1000);
    clock.moveTo(limit);
    const std::int64_t grace = clock.deadlineOfWait(2);
    EXPECT_EQ(grace - limit, 1000);
    clock.moveTo(grace);
    // A run that waits for the grandchild would wait the 30 s of its sleep;
    // ended here sooner, it is seen below as gone before the capture came.
    if (collected.wait_for(kNoHang) != std::future_status::ready && !pid.empty()) {
        kill(std::stoi(pid), SIGKILL);
    }
    const Capture capture = collected.get().at(0);
    const bool heldOn = !pid.empty() && !gone(pid);
    if (!pid.empty()) kill(std::stoi(pid), SIGKILL);
    std::remove(pidFile.c_str());
    rmdir(folder);

    EXPECT_EQ(capture.outcome, Capture::TimedOut);
    ASSERT_FALSE(pid.empty());
    EXPECT_TRUE(heldOn) << "the run waited until the grandchild let go of the pipe";
}

TEST(HiddenText, FailuresAreWordedAndAnEndedCommandSaysNothing) {
    const std::pair<Capture, std::string> rows[] = {
        {{Capture::Read, "Manufacturer\r\r\nASRock\r\r\n"}, "Manufacturer\r\r\nASRock\r\r\n"},
        {{Capture::Read, ""}, ""},
        {{Capture::PipeFailed, {}}, "[!] Failed to create pipe\n"},
        {{Capture::NotStarted, {}}, "[!] Failed to run command\n"},
        {{Capture::TimedOut, {}}, ""},
    };
    for (const auto& [capture, text] : rows)
        EXPECT_EQ(hiddenText(capture), text) << capture.outcome;
}

}  // namespace
}  // namespace quorven::testing

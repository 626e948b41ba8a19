// The Linux runner, for real: /bin/sh children and their pipes.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

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
    const Capture mixed = stdoutOnly("echo out; echo err >&2");
    // No standard input either: a reader sees end of file, and ours keeps
    // the answers piped to us.
    const Capture reader = stdoutOnly("cat; echo done");
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    EXPECT_EQ(mixed.text, "out\n");
    EXPECT_EQ(reader.text, "done\n");
    EXPECT_EQ(std::ftell(errors), 0L);
    std::fclose(errors);

    const std::string longLine(1000, 'L');
    EXPECT_EQ(stdoutOnly("printf '" + longLine + "\\n'").text, longLine + "\n");
    EXPECT_EQ(stdoutOnly("printf 'ab\\000cd\\r\\nef'").text, std::string("ab\0cd\r\nef", 9));
    const Capture failed = stdoutOnly("exit 4");
    EXPECT_EQ(failed.outcome, Capture::Read);
    EXPECT_EQ(failed.text, "");
    EXPECT_EQ(stdoutOnly("quorven-no-such-command").text, "");
}

// Started together, in order; each answer lands in its own capture, whatever
// order they end in and however much they write.
TEST_F(PosixCapture, CommandsRunSideBySideAndComeBackInTheirOwnOrder) {
    struct Row {
        CommandRequest request;
        std::string text;
    };
    const std::string big(200000, 'b');
    const Row rows[] = {
        {{"sleep 1; echo first", false}, "first\n"},
        {{"head -c 200000 /dev/zero | tr '\\0' b", false}, big},
        {{"sleep 1; echo out; echo err >&2", true}, "out\nerr\n"},
        {{"echo out; sleep 1; echo err >&2", false}, "out\n"},
        {{"sleep 1; head -c 300000 /dev/zero | tr '\\0' e >&2", true}, std::string(300000, 'e')},
        {{"true", true}, ""},
    };
    std::vector<CommandRequest> requests;
    for (const Row& row : rows) requests.push_back(row.request);
    const auto started = std::chrono::steady_clock::now();
    const std::vector<Capture> captures = runner->run(requests);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(captures.size(), std::size(rows));
    for (std::size_t i = 0; i < captures.size(); ++i) {
        EXPECT_EQ(captures[i].outcome, Capture::Read) << i;
        EXPECT_TRUE(captures[i].text == rows[i].text)
            << i << ": " << captures[i].text.size() << " bytes, starting "
            << captures[i].text.substr(0, 20);
    }
    // Four commands of one second each: one after another they would take
    // four. The margin is for a loaded machine.
    EXPECT_LT(took, 3s);
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
// others in the batch are untouched.
TEST(PosixCaptureLimit, ACommandPastItsLimitIsEndedWithItsChildrenAndSaysNothing) {
    char folder[] = "/tmp/quorven-limit-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string pidFile = std::string(folder) + "/pid";
    const auto runner = makeCommandRunner(1s);
    const auto started = std::chrono::steady_clock::now();
    const std::vector<Capture> captures =
        runner->run({{"echo before", false},
                     {"echo partial; sleep 60 & echo $! >" + pidFile + "; wait", true},
                     {"sleep 0.5; echo within", false}});
    const auto took = std::chrono::steady_clock::now() - started;
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
    EXPECT_GE(took, 1s);
    EXPECT_LT(took, 10s);
}

// Whatever a command leaves running dies with its capture, even when its
// output ended long before: a background child that let go of the pipe.
TEST(PosixCaptureLimit, WhatACommandLeftRunningEndsWithItsCapture) {
    const auto runner = makeCommandRunner(1s);
    const Capture capture = runner->run({{"sleep 30 >/dev/null 2>&1 & echo $!", false}}).at(0);
    ASSERT_EQ(capture.outcome, Capture::Read);
    const std::string pid = capture.text.substr(0, capture.text.find('\n'));
    ASSERT_FALSE(pid.empty());
    // SIGKILL is sent, not waited for; the orphan is reaped by init.
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (!gone(pid) && std::chrono::steady_clock::now() < deadline) usleep(10'000);
    EXPECT_TRUE(gone(pid)) << "sleep " << pid << " outlived its capture";
}

// A grandchild in a session of its own escapes the ending and keeps the
// pipe open: the run waits for it no longer than the reader's grace.
TEST(PosixCaptureLimit, AnEscapedGrandchildHoldingThePipeCostsNoMoreThanTheGrace) {
    char folder[] = "/tmp/quorven-escape-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string pidFile = std::string(folder) + "/pid";
    const auto runner = makeCommandRunner(1s);
    const auto started = std::chrono::steady_clock::now();
    const Capture capture =
        runner->run({{"setsid sleep 10 & echo $! >" + pidFile + "; sleep 30", false}}).at(0);
    const auto took = std::chrono::steady_clock::now() - started;
    std::string pid;
    std::ifstream(pidFile) >> pid;
    if (!pid.empty()) kill(std::stoi(pid), SIGKILL);
    std::remove(pidFile.c_str());
    rmdir(folder);

    EXPECT_EQ(capture.outcome, Capture::TimedOut);
    ASSERT_FALSE(pid.empty());
    EXPECT_LT(took, 1s + kReaderGrace + 1s);
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

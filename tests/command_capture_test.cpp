// The Linux runner, for real: /bin/sh children and their pipes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "probes/command_capture.h"

namespace quorven::testing {
namespace {

class PosixCapture : public ::testing::Test {
  protected:
    std::unique_ptr<CommandRunner> runner = makeCommandRunner();
};

TEST_F(PosixCapture, HiddenRunnerMixesBothStreamsInOrderAndKeepsEveryByte) {
    EXPECT_EQ(runner->runHiddenCommand("echo out1; echo err1 >&2; echo out2"),
              "out1\nerr1\nout2\n");
    EXPECT_EQ(runner->runHiddenCommand("printf 'a\\000b\\r\\nc'"), std::string("a\0b\r\nc", 6));
    const std::string big = runner->runHiddenCommand("head -c 100000 /dev/zero | tr '\\0' 'q'");
    EXPECT_EQ(big, std::string(100000, 'q'));
    EXPECT_EQ(runner->runHiddenCommand("echo partial; exit 3"), "partial\n");
    EXPECT_EQ(runner->runHiddenCommand("true"), "");
    const std::string missing = runner->runHiddenCommand("quorven-no-such-command");
    EXPECT_NE(missing.find("not found"), std::string::npos) << missing;
    // No standard input: a reader sees end of file at once.
    EXPECT_EQ(runner->runHiddenCommand("cat; echo done"), "done\n");
}

TEST_F(PosixCapture, StdoutReaderTakesStandardOutputOnlyAndLeavesOurStreamsAlone) {
    // Our standard error on a file for the length of the test: the child's
    // complaints must not reach it, as they would land above the banner.
    std::FILE* errors = std::tmpfile();
    ASSERT_NE(errors, nullptr);
    const int savedError = dup(STDERR_FILENO);
    dup2(fileno(errors), STDERR_FILENO);
    const std::optional<std::string> mixed = runner->readCommandStdout("echo out; echo err >&2");
    // No standard input either: a reader sees end of file, and ours keeps
    // the answers piped to us.
    const std::optional<std::string> reader = runner->readCommandStdout("cat; echo done");
    dup2(savedError, STDERR_FILENO);
    close(savedError);
    EXPECT_EQ(mixed, "out\n");
    EXPECT_EQ(reader, "done\n");
    EXPECT_EQ(std::ftell(errors), 0L);
    std::fclose(errors);

    const std::string longLine(1000, 'L');
    EXPECT_EQ(runner->readCommandStdout("printf '" + longLine + "\\n'"), longLine + "\n");
    EXPECT_EQ(runner->readCommandStdout("printf 'ab\\000cd\\r\\nef'"),
              std::string("ab\0cd\r\nef", 9));
    EXPECT_EQ(runner->readCommandStdout("exit 4"), std::string());
    EXPECT_EQ(runner->readCommandStdout("quorven-no-such-command"), std::string());
}

}  // namespace
}  // namespace quorven::testing

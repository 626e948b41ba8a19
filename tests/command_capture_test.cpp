#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <set>

#include "probes/command_capture.h"

namespace quorven::testing {
namespace {

// A fake of the raw calls that keeps a ledger of every handle it hands out
// and takes back.
class FakeProcesses final : public ProcessApi {
  public:
    bool createPipe(OsHandle& readEnd, OsHandle& writeEnd) override {
        ledger.push_back("CreatePipe");
        if (pipeFails) return false;
        readEnd = open("read end");
        writeEnd = open("write end");
        return true;
    }
    bool createProcess(const std::string& command, OsHandle writeEnd,
                       StartedProcess& started) override {
        ledger.push_back("CreateProcess " + command + " writing to " + names.at(writeEnd));
        if (processFails) return false;
        started.process = open("process");
        started.thread = open("thread");
        return true;
    }
    std::optional<std::size_t> readFile(OsHandle handle, char* buffer, std::size_t size) override {
        ledger.push_back("ReadFile " + names.at(handle) + " " + std::to_string(size));
        EXPECT_FALSE(live.count("write end")) << "reading while we still hold the write end";
        if (chunks.empty()) return readFailsAtEnd ? std::nullopt : std::optional<std::size_t>(0);
        const std::string chunk = chunks.front();
        chunks.pop_front();
        EXPECT_LE(chunk.size(), size);
        std::memcpy(buffer, chunk.data(), chunk.size());
        return chunk.size();
    }
    void closeHandle(OsHandle handle) override { close("CloseHandle", handle); }
    void closeProcess(OsHandle process) override { close("CloseProcess", process); }

    Stream openStream(const std::string& command) override {
        ledger.push_back("popen " + command);
        if (streamFails) return nullptr;
        return reinterpret_cast<Stream>(open("stream"));
    }
    bool readStreamLine(Stream, char* buffer, int size) override {
        if (lines.empty()) return false;
        const std::string line = lines.front();
        lines.pop_front();
        EXPECT_LT(line.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, line.c_str(), line.size() + 1);
        return true;
    }
    void closeStream(Stream stream) override {
        close("pclose", reinterpret_cast<OsHandle>(stream));
    }

    std::vector<std::string> ledger;
    std::set<std::string> live;
    std::deque<std::string> chunks;
    std::deque<std::string> lines;
    bool pipeFails = false, processFails = false, readFailsAtEnd = false, streamFails = false;

  private:
    OsHandle open(const std::string& name) {
        const OsHandle handle = next_++;
        names[handle] = name;
        live.insert(name);
        return handle;
    }
    void close(const std::string& call, OsHandle handle) {
        const std::string name = names.at(handle);
        ledger.push_back(call + " " + name);
        EXPECT_EQ(live.erase(name), 1u) << name << " closed twice";
    }
    std::map<OsHandle, std::string> names;
    OsHandle next_ = 100;
};

TEST(HiddenCommand, FailuresGiveTheirTextsAndLeaveNothingOpen) {
    FakeProcesses pipeless;
    pipeless.pipeFails = true;
    EXPECT_EQ(runHiddenCommand(pipeless, "wmic baseboard get product"),
              "[!] Failed to create pipe\n");
    EXPECT_EQ(pipeless.ledger, std::vector<std::string>{"CreatePipe"});

    FakeProcesses unstarted;
    unstarted.processFails = true;
    EXPECT_EQ(runHiddenCommand(unstarted, "wmic baseboard get product"),
              "[!] Failed to run command\n");
    EXPECT_EQ(unstarted.ledger,
              (std::vector<std::string>{
                  "CreatePipe", "CreateProcess wmic baseboard get product writing to write end",
                  "CloseHandle write end", "CloseHandle read end"}));
    EXPECT_TRUE(unstarted.live.empty());
    EXPECT_EQ(std::strlen(kPipeFailedText), 26u);
    EXPECT_EQ(std::strlen(kRunFailedText), 26u);
}

TEST(HiddenCommand, ReadsInChunksUntilTheEndThenClosesInOrder) {
    for (const bool readFails : {false, true}) {
        FakeProcesses api;
        api.readFailsAtEnd = readFails;
        api.chunks = {std::string(128, 'a'), std::string("b\0\r\n", 4), "c"};
        EXPECT_EQ(runHiddenCommand(api, "x"), std::string(128, 'a') + std::string("b\0\r\nc", 5));
        EXPECT_EQ(api.ledger,
                  (std::vector<std::string>{"CreatePipe", "CreateProcess x writing to write end",
                                            "CloseHandle write end", "ReadFile read end 128",
                                            "ReadFile read end 128", "ReadFile read end 128",
                                            "ReadFile read end 128", "CloseHandle read end",
                                            "CloseProcess process", "CloseHandle thread"}));
        EXPECT_TRUE(api.live.empty());
    }
}

TEST(HiddenCommand, CommandLineIsCmdSlashCAndTheCommandUnquoted) {
    EXPECT_EQ(hiddenCommandLine("wmic baseboard get product"),
              "cmd.exe /C wmic baseboard get product");
}

TEST(StdoutCommand, NotStartedIsToldApartFromEmptyOutput) {
    FakeProcesses failing;
    failing.streamFails = true;
    EXPECT_EQ(readCommandStdout(failing, "powershell"), std::nullopt);
    EXPECT_EQ(failing.ledger, std::vector<std::string>{"popen powershell"});

    FakeProcesses empty;
    EXPECT_EQ(readCommandStdout(empty, "powershell"), std::string());
    EXPECT_EQ(empty.ledger, (std::vector<std::string>{"popen powershell", "pclose stream"}));
}

TEST(StdoutCommand, JoinsPiecesAndLosesWhatFollowsANul) {
    FakeProcesses api;
    api.lines = {std::string(255, 'x'), "y\n", std::string("Tr\0ash", 6), "ue\n"};
    EXPECT_EQ(readCommandStdout(api, "c"), std::string(255, 'x') + "y\nTrue\n");
    EXPECT_TRUE(api.live.empty());
}

// The Linux layer, for real: /bin/sh children and their pipes.
class PosixCapture : public ::testing::Test {
  protected:
    std::unique_ptr<ProcessApi> api = makePlatformProcessApi();
};

TEST_F(PosixCapture, HiddenRunnerMixesBothStreamsInOrderAndKeepsEveryByte) {
    EXPECT_EQ(runHiddenCommand(*api, "echo out1; echo err1 >&2; echo out2"), "out1\nerr1\nout2\n");
    EXPECT_EQ(runHiddenCommand(*api, "printf 'a\\000b\\r\\nc'"), std::string("a\0b\r\nc", 6));
    const std::string big = runHiddenCommand(*api, "head -c 100000 /dev/zero | tr '\\0' 'q'");
    EXPECT_EQ(big, std::string(100000, 'q'));
    EXPECT_EQ(runHiddenCommand(*api, "echo partial; exit 3"), "partial\n");
    EXPECT_EQ(runHiddenCommand(*api, "true"), "");
    const std::string missing = runHiddenCommand(*api, "quorven-no-such-command");
    EXPECT_NE(missing.find("not found"), std::string::npos) << missing;
    // No standard input: a reader sees end of file at once.
    EXPECT_EQ(runHiddenCommand(*api, "cat; echo done"), "done\n");
}

TEST_F(PosixCapture, StdoutReaderTakesStandardOutputOnly) {
    EXPECT_EQ(readCommandStdout(*api, "echo out; echo err >&2"), "out\n");
    const std::string longLine(1000, 'L');
    EXPECT_EQ(readCommandStdout(*api, "printf '" + longLine + "\\n'"), longLine + "\n");
    EXPECT_EQ(readCommandStdout(*api, "printf 'ab\\000cd\\nef\\n'"),
              "ab"
              "ef\n");
    EXPECT_EQ(readCommandStdout(*api, "exit 4"), std::string());
    EXPECT_EQ(readCommandStdout(*api, "quorven-no-such-command 2>/dev/null"), std::string());
}

}  // namespace
}  // namespace quorven::testing

// Hostile and odd input, end to end where it matters: nothing crashes, and
// every case gets the behaviour of a well-formed one.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/check_run.h"
#include "io/terminal_io.h"
#include "assess/detail_report.h"
#include "assess/raid_assessment.h"
#include "fake_world.h"
#include "probes/board_identity.h"
#include "probes/platform_probes.h"

namespace quorven::testing {
namespace {

const std::string kTenMiB(10u << 20, 'x');

// Equality of texts that may run to megabytes: a failure names the sizes and
// where they part, never the whole texts.
::testing::AssertionResult sameText(std::string_view actual, std::string_view expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return ::testing::AssertionFailure()
           << actual.size() << " bytes, expected " << expected.size() << "; from byte " << at
           << ": " << ::testing::PrintToString(actual.substr(at, 16)) << " where "
           << ::testing::PrintToString(expected.substr(at, 16)) << " was expected";
}

struct AnswerCase {
    const char* name;
    std::deque<std::string> answers;
    int status;
    bool report;
    const char* reasonStart;  // null: the invalid-choice exit
};

TEST(BadInput, AnswersOfEveryShapeTakeTheirPathThroughAWholeRun) {
    const AnswerCase cases[] = {
        {"nul and binary after the digit",
         {std::string("1\0\xFF\xFE", 4), "n"},
         0,
         false,
         "[+] You have multiple SATA"},
        {"nul first",
         {std::string("\0"
                      "1",
                      2)},
         1,
         false,
         nullptr},
        {"binary junk", {"\xC3\x28\xFF"}, 1, false, nullptr},
        {"carriage return", {"2\r", "y\r"}, 0, true, "[+] AMD systems"},
        {"lone carriage return", {"\r"}, 1, false, nullptr},
        {"only blanks", {"   \t "}, 1, false, nullptr},
        {"blanks as the report answer", {"1", "   "}, 0, false, "[+] You have multiple SATA"},
        {"ten MiB of junk after the digit",
         {"2" + kTenMiB, "y" + kTenMiB},
         0,
         true,
         "[+] AMD systems"},
        {"ten MiB of blanks before the digit",
         {std::string(10u << 20, ' ') + "1", "n"},
         0,
         false,
         "[+] You have multiple SATA"},
        {"ten MiB of digits", {std::string(10u << 20, '1')}, 1, false, nullptr},
        {"end of input at the first question", {}, 1, false, nullptr},
        {"end of input at the report question", {"1"}, 0, false, "[+] You have multiple SATA"},
        {"end of input at the final wait", {"2", "n"}, 0, false, "[+] AMD systems"},
    };
    for (const AnswerCase& c : cases) {
        FakeWorld f(c.answers);
        f.disks.disks = {sataDisk("A"), sataDisk("B")};
        EXPECT_EQ(runCheck(f.world), c.status) << c.name;
        const std::string out = f.t.stream(Event::Out);
        EXPECT_EQ(out.find("[+] System Information:") != std::string::npos, c.report) << c.name;
        if (c.reasonStart == nullptr) {
            EXPECT_TRUE(out.ends_with("select 1 or 2.\n\nPress Enter to exit...")) << c.name;
        } else {
            EXPECT_NE(out.find(c.reasonStart), std::string::npos) << c.name;
        }
        EXPECT_EQ(f.t.events.back(), (Event{Event::Read, "char"})) << c.name;
    }
}

// The real reader, over a real FILE.
TEST(BadInput, StdioInputKeepsEveryByteUpToTheLineFeed) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string content = std::string("1\r\n\0y\xFF\n", 7) + kTenMiB + "\n\nlast";
    ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), file), content.size());
    std::rewind(file);
    StdioInput in(file);
    // Any read may take the ten MiB when line ends go wrong.
    EXPECT_TRUE(sameText(in.readLine(), "1\r"));
    EXPECT_TRUE(sameText(in.readLine(), std::string("\0y\xFF", 3)));
    EXPECT_TRUE(sameText(in.readLine(), kTenMiB));
    in.readChar();  // the empty line's line feed
    EXPECT_TRUE(sameText(in.readLine(), "last"));
    EXPECT_TRUE(sameText(in.readLine(), ""));
    in.readChar();  // returns at once at end of input
    std::fclose(file);
}

struct CaptureCase {
    const char* name;
    std::string capture;
    std::string manufacturer;
    std::string product;
    const char* tpmWord;
};

std::string utf16WithBom(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(BadInput, OddCommandOutputGoesThroughTheLineRules) {
    const std::string big = "Header\n" + std::string(64u << 20, 'A') + "\nTrue\n";
    const CaptureCase cases[] = {
        {"empty", "", "", "", "UNKNOWN"},
        {"64 MiB", big, std::string(64u << 20, 'A'), "Header", "ENABLED"},
        {"nul bytes", std::string("Manufacturer\n\0ASRock\0\nTrue\0\n", 28),
         std::string("\0ASRock\0", 8), "Manufacturer", "UNKNOWN"},
        {"no line feed", "Manufacturer ASRock True", "", "Manufacturer ASRock True", "UNKNOWN"},
        {"lone carriage returns", "Manufacturer\rASRock\rTrue\r", "", "Manufacturer\rASRock\rTrue",
         "UNKNOWN"},
        // As Wine's own wmic writes into a pipe: the bytes are not decoded.
        {"utf-16 with a bom", utf16WithBom("Manufacturer\r\nASRock\r\n"),
         // NUL is no blank, so the second byte of each CR stays.
         std::string("\0A\0S\0R\0o\0c\0k\0\r\0", 15), utf16WithBom("Manufacturer\r"), "UNKNOWN"},
        {"no instance", "No Instance(s) Available.\r\r\n", "", "No Instance(s) Available.",
         "UNKNOWN"},
        {"header only", "Manufacturer  \r\r\n\r\r\n", "", "Manufacturer", "UNKNOWN"},
        {"product header only", "Product  \r\r\n\r\r\n", "", "", "UNKNOWN"},
    };
    const PlatformProbe tpm = windowsProbeTable().tpm;
    for (const CaptureCase& c : cases) {
        EXPECT_TRUE(sameText(parseManufacturer(c.capture), c.manufacturer)) << c.name;
        EXPECT_TRUE(sameText(parseProduct(c.capture), c.product)) << c.name;
        EXPECT_EQ(probeWord(tpm, {Capture::Read, c.capture}), c.tpmWord) << c.name;
    }
}

TEST(BadInput, OddBoardCapturesInAWholeRunGiveTheTicketOrPermLine) {
    for (const std::string& product : {std::string(), utf16WithBom("Product\r\nB650\r\n"),
                                       std::string("B6\0"
                                                   "50",
                                                   5)}) {
        FakeWorld f({"1", "n"});
        f.runner.hidden["wmic baseboard get manufacturer"] =
            "Manufacturer\r\r\nASUSTeK COMPUTER INC.\r\r\n";
        f.runner.hidden["wmic baseboard get product"] = product;
        f.disks.disks = {sataDisk("A"), sataDisk("B")};
        EXPECT_EQ(runCheck(f.world), 0);
        EXPECT_NE(f.t.stream(Event::Out).find("[+] Use Perm Button\n"), std::string::npos);
    }
}

}  // namespace
}  // namespace quorven::testing

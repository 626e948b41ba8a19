#include <gtest/gtest.h>

#include "console/console_presenter.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

struct ResizeCase {
    const char* name;
    ConsoleHandle handle;
    bool bufferFails;
    bool finalWindowFails;
    std::uint32_t error;
    std::vector<std::string> calls;
    std::string err;
    bool fallback;
    ConsoleSize largest{0, 0};
    ConsoleWindow window{};
};

// What a console that may be resized gets on a 1080p screen (63 rows of the
// default font at 100 %), and what any other gets.
const std::vector<std::string> kResized = {"codepage 65001", "window 42 0,0,1,1",
                                           "buffer 42 120x90", "largest 42",
                                           "window 42 0,0,119,62"};
const std::vector<std::string> kLeftAlone = {"codepage 65001"};
ResizeCase windowCase(const char* name, ConsoleHost host, bool visible, bool resized) {
    return {name, 42,    false,     false,          0, resized ? kResized : kLeftAlone,
            "",   false, {240, 63}, {host, visible}};
}

class PrepareConsole : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(PrepareConsole, CallsMessagesAndFallback) {
    const ResizeCase& c = GetParam();
    Transcript t;
    FakeConsole console(t);
    FakeOutput out(t, Event::Out), err(t, Event::Err);
    console.handle = c.handle;
    console.bufferFails = c.bufferFails;
    console.finalWindowFails = c.finalWindowFails;
    console.error = c.error;
    console.largest = c.largest;
    console.consoleWindow = c.window;

    prepareConsole(console, out, err);

    EXPECT_EQ(console.calls, c.calls);
    EXPECT_EQ(t.stream(Event::Err), c.err);
    if (c.fallback) {
        const std::vector<Event> tail = {
            {Event::Out, "[!] Console resize failed, falling back...\n"},
            {Event::System, "mode con: cols=120 lines=50"}};
        ASSERT_GE(t.events.size(), 2u);
        EXPECT_EQ(std::vector<Event>(t.events.end() - 2, t.events.end()), tail);
    } else {
        EXPECT_TRUE(t.events.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PrepareConsole,
    ::testing::Values(
        // No console window: the calls are made, as they are in a shown one.
        ResizeCase{"BothSizesAccepted", 42, false, false, 0, kResized, "", false, {240, 63}},
        ResizeCase{"BufferFails",
                   42,
                   true,
                   false,
                   87,
                   {"codepage 65001", "window 42 0,0,1,1", "buffer 42 120x90"},
                   "[!] SetConsoleScreenBufferSize failed. Error: 87\n",
                   true},
        ResizeCase{"FinalWindowFails",
                   42,
                   false,
                   true,
                   4294967295u,
                   {"codepage 65001", "window 42 0,0,1,1", "buffer 42 120x90", "largest 42",
                    "window 42 0,0,119,89"},
                   "[!] SetConsoleWindowInfo failed. Error: 4294967295\n",
                   true},
        ResizeCase{
            "InvalidHandle", kInvalidConsoleHandle, false, false, 6, {"codepage 65001"}, "", true},
        // A null handle is not treated as invalid: the calls fail on it.
        ResizeCase{"NullHandle",
                   0,
                   true,
                   false,
                   6,
                   {"codepage 65001", "window 0 0,0,1,1", "buffer 0 120x90"},
                   "[!] SetConsoleScreenBufferSize failed. Error: 6\n",
                   true},
        // Only a known console window that is shown is resized. A
        // terminal's stand-in is left alone whether it is shown (Windows
        // Terminal) or not (VS Code, ssh), and so is any hidden window and
        // any host we do not know.
        windowCase("ClassicConsoleShown", ConsoleHost::ClassicConsole, true, true),
        windowCase("ClassicConsoleHidden", ConsoleHost::ClassicConsole, false, false),
        windowCase("WineConsoleShown", ConsoleHost::WineConsole, true, true),
        windowCase("WineConsoleHidden", ConsoleHost::WineConsole, false, false),
        windowCase("PseudoconsoleShown", ConsoleHost::Pseudoconsole, true, false),
        windowCase("PseudoconsoleHidden", ConsoleHost::Pseudoconsole, false, false),
        windowCase("OtherHostShown", ConsoleHost::Other, true, false),
        // Left alone even where the calls would fail: no error line, no `mode`.
        ResizeCase{"PseudoconsoleWithAnInvalidHandle",
                   kInvalidConsoleHandle,
                   false,
                   false,
                   6,
                   kLeftAlone,
                   "",
                   false,
                   {0, 0},
                   {ConsoleHost::Pseudoconsole, false}},
        ResizeCase{"PseudoconsoleWhereTheCallsWouldFail",
                   42,
                   true,
                   true,
                   6,
                   kLeftAlone,
                   "",
                   false,
                   {0, 0},
                   {ConsoleHost::Pseudoconsole, true}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PrepareConsole, AFailedCodePageChangesNothingElse) {
    Transcript t;
    FakeConsole console(t);
    FakeOutput out(t, Event::Out), err(t, Event::Err);
    console.codePageOk = false;
    prepareConsole(console, out, err);
    EXPECT_EQ(console.calls.size(), 5u);
    EXPECT_TRUE(t.events.empty());
}

TEST(PrepareConsole, FinalWindowFitsTheLargestTheScreenShows) {
    const std::pair<ConsoleSize, ConsoleRect> cases[] = {
        {{240, 63}, {0, 0, 119, 62}}, {{100, 40}, {0, 0, 99, 39}},
        {{0, 0}, {0, 0, 119, 89}},  // the call failed: headless, or no console
        {{1, 63}, {0, 0, 119, 89}},   {{240, 1}, {0, 0, 119, 89}},
        {{120, 90}, {0, 0, 119, 89}},
    };
    for (const auto& [largest, window] : cases) {
        EXPECT_EQ(finalWindowWithin(largest), window) << largest.columns << "x" << largest.rows;
    }
}

// Counts code points, which is what a console draws one cell for here.
std::size_t cells(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
    return count;
}

std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> all;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        all.emplace_back(text.substr(start, end - start));
    }
    all.emplace_back(text.substr(start));
    return all;
}

TEST(Banner, TwelveLinesWithSixEquallyWideRowsOfBlockLetters) {
    const std::vector<std::string> rows = lines(bannerText());
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0], "");
    EXPECT_EQ(rows[1], "");
    EXPECT_EQ(rows[2], "");
    const std::size_t width = cells(rows[3]);
    EXPECT_EQ(width, 62u);
    for (int i = 3; i < 9; ++i) {
        EXPECT_EQ(cells(rows[i]), width) << "row " << i;
        if (i < 8) {
            EXPECT_NE(rows[i].find("█"), std::string::npos) << "row " << i;
        }
    }
    EXPECT_EQ(rows[9], std::string(width, ' '));
    EXPECT_EQ(rows[10], "");
    EXPECT_EQ(rows[11], "    ");
    // The shadow's lower edge closes every letter on the last row.
    EXPECT_EQ(rows[8].find("█"), std::string::npos);
}

TEST(Banner, BlueThenNormalWithTheLineEndInsideTheBlue) {
    Transcript t;
    FakeConsole console(t);
    FakeOutput out(t, Event::Out);
    printBanner(console, out);
    const std::vector<Event> expected = {
        {Event::Colour, "9"}, {Event::Out, std::string(bannerText()) + "\n"}, {Event::Colour, "7"}};
    EXPECT_EQ(t.events, expected);
}

TEST(VerdictBox, FiveLinesOf59CharactersInTheVerdictColour) {
    for (const bool supported : {true, false}) {
        Transcript t;
        FakeConsole console(t);
        FakeOutput out(t, Event::Out);
        showVerdictBox(console, out, supported);
        const std::vector<Event> expected = {{Event::Colour, supported ? "10" : "12"},
                                             {Event::Out, std::string(verdictBoxText(supported))}};
        EXPECT_EQ(t.events, expected);
        std::vector<std::string> rows = lines(verdictBoxText(supported));
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_EQ(rows[5], "");
        rows.pop_back();
        for (const std::string& row : rows) {
            EXPECT_EQ(row.size(), 59u);
            EXPECT_TRUE(row.starts_with(std::string(17, ' ') + "*"));
        }
        EXPECT_EQ(rows[0], std::string(17, ' ') + std::string(42, '*'));
        EXPECT_EQ(rows[0], rows[4]);
        EXPECT_EQ(rows[1], std::string(17, ' ') + "*" + std::string(40, ' ') + "*");
        EXPECT_EQ(rows[1], rows[3]);
        EXPECT_EQ(rows[2], supported
                               ? "                 *      Your system DOES support RAID     *"
                               : "                 *    Your system DOES NOT support RAID   *");
    }
}

}  // namespace
}  // namespace quorven::testing

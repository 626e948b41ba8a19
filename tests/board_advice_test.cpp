#include <gtest/gtest.h>

#include "assess/board_advice.h"
#include "fake_world.h"

namespace quorven::testing {
namespace {

TEST(NeedsEfiButton, ContainmentOfAListedChipsetCaseSensitively) {
    for (const char* product :
         {"ROG STRIX X670E-E GAMING WIFI", "B650", "PRIME B650M-A AX II", "TUF GAMING Z790-PLUS",
          "xxA620yy", "ROG MAXIMUS Z890 HERO", "B560B"}) {
        EXPECT_TRUE(needsEfiButton(product)) << product;
    }
    for (const char* product : {"", "PRIME H610M-A D4", "TUF GAMING X570-PLUS", "rog x670e", "B65",
                                "B 650", "[!] Failed to run command"}) {
        EXPECT_FALSE(needsEfiButton(product)) << product;
    }
    for (std::string_view chipset : EfiButtonChipsets) {
        EXPECT_TRUE(needsEfiButton(chipset)) << chipset;
        EXPECT_FALSE(needsEfiButton(chipset.substr(1))) << chipset;
    }
}

TEST(AdviseOnBoard, NamesThatDifferSlightlyGetTheTicketLine) {
    for (const char* name : {"asustek computer inc.", "ASUSTeK COMPUTER INC", "ASRock Inc.", "MSI",
                             "Gigabyte Technology Co., Ltd", "", "ASUSTeK COMPUTER INC. "}) {
        Transcript t;
        FakeOutput out(t, Event::Out);
        FakePauser pauser(t);
        FakeRunner runner(t);
        adviseOnBoard(name, out, pauser, runner, windowsBoardCommands(true));
        const std::vector<Event> expected = {
            {Event::Out, "[+] Open a ticket for manual verification."}, {Event::Pause, "2000"}};
        EXPECT_EQ(t.events, expected) << name;
    }
}

TEST(AdviseOnBoard, AsusReadsTheProductBeforeWritingAndFallsBackToPerm) {
    Transcript t;
    FakeOutput out(t, Event::Out);
    FakePauser pauser(t);
    FakeRunner runner(t);  // the product command fails to run
    adviseOnBoard("ASUSTeK COMPUTER INC.", out, pauser, runner, windowsBoardCommands(true));
    const std::vector<Event> expected = {{Event::Command, "hidden: wmic baseboard get product"},
                                         {Event::Out, "[+] Detected Asus\n[+] Use Perm Button\n"},
                                         {Event::Pause, "1000"},
                                         {Event::Pause, "2000"},
                                         {Event::Out, "\n[+] Motherboard is compatibile"}};
    EXPECT_EQ(t.events, expected);
}

}  // namespace
}  // namespace quorven::testing

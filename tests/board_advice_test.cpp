#include <gtest/gtest.h>

#include "assess/board_advice.h"

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

TEST(AdviseOnBoard, EachVendorRowWithItsPauses) {
    const std::string_view compatible = "\n[+] Motherboard is compatibile";
    struct Case {
        const char* manufacturer;
        const char* product;
        BoardAdvice advice;
    };
    const Case cases[] = {
        {"ASUSTeK COMPUTER INC.",
         "ROG STRIX X670E-E GAMING WIFI",
         {{"[+] Detected Asus\n", 0}, {"[+] Use EFI Button", 1000}, {"", 2000}, {compatible, 0}}},
        // A failed product read gives its failure line, which names no chipset.
        {"ASUSTeK COMPUTER INC.",
         "[!] Failed to run command",
         {{"[+] Detected Asus\n", 0},
          {"[+] Use Perm Button\n", 1000},
          {"", 2000},
          {compatible, 0}}},
        {"Micro-Star International Co., Ltd.",
         "B650 ignored",
         {{"[+] Detected MSI\n", 1000}, {"[+] Use Perm Button", 2000}, {compatible, 0}}},
        {"ASRock",
         "",
         {{"[+] Detected ASRock\n", 1000}, {"[+] Use Perm Button", 2000}, {compatible, 0}}},
        {"Gigabyte Technology Co., Ltd.",
         "",
         {{"[+] Detected Gigabyte\n", 1000}, {"[+] Use Perm Button", 2000}, {compatible, 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(adviseOnBoard(c.manufacturer, c.product), c.advice) << c.manufacturer;
    }
    // Names that differ slightly are not recognised.
    for (const char* name : {"asustek computer inc.", "ASUSTeK COMPUTER INC", "ASRock Inc.", "MSI",
                             "Gigabyte Technology Co., Ltd", "", "ASUSTeK COMPUTER INC. "}) {
        EXPECT_EQ(adviseOnBoard(name, "X670"),
                  (BoardAdvice{{"[+] Open a ticket for manual verification.", 2000}}))
            << name;
        EXPECT_FALSE(adviceNeedsProduct(name)) << name;
    }
    EXPECT_TRUE(adviceNeedsProduct("ASUSTeK COMPUTER INC."));
}

}  // namespace
}  // namespace quorven::testing

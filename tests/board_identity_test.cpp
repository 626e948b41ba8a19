#include <gtest/gtest.h>

#include "fake_world.h"
#include "probes/board_identity.h"

namespace quorven::testing {
namespace {

TEST(TrimBlanks, RemovesExactlySpaceTabCrLfAtBothEnds) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"  ASUSTeK COMPUTER INC.  \r\r", "ASUSTeK COMPUTER INC."},
        {"\tMSI\t", "MSI"},
        {"a  b", "a  b"},
        // Other bytes are no blanks.
        {"\vX\f", "\vX\f"},
        {std::string("\0X\0", 3), std::string("\0X\0", 3)},
        {"\xA0X\xA0", "\xA0X\xA0"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        trimBlanks(text);
        EXPECT_EQ(text, c.out);
    }
}

TEST(Manufacturer, IsTheSecondLineByPosition) {
    struct Case {
        std::string capture, manufacturer;
    };
    const Case cases[] = {
        {"Manufacturer           \r\r\nASUSTeK COMPUTER INC.  \r\r\n\r\r\n",
         "ASUSTeK COMPUTER INC."},
        {"Manufacturer\nMicro-Star International Co., Ltd.", "Micro-Star International Co., Ltd."},
        {"Manufacturer\r\n \t ASRock\r\n", "ASRock"},
        {"Manufacturer\r\r\n", ""},
        {"Manufacturer", ""},
        {"Manufacturer\r\r\n\r\r\nASRock\r\r\n", ""},
        {"Manufacturer\r\r\n \t\r\r\r\n", ""},
        {"", ""},
        {"[!] Failed to run command\n", ""},
        {"No Instance(s) Available.\r\n", ""},
        // What the PowerShell query prints where wmic is gone: no padding.
        {"Manufacturer\r\nGigabyte Technology Co., Ltd.\r\n", "Gigabyte Technology Co., Ltd."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseManufacturer(c.capture), c.manufacturer) << c.capture;
}

TEST(Product, IsTheFirstLineThatIsNeitherBlankNorTheHeader) {
    struct Case {
        std::string capture, product;
    };
    const Case cases[] = {
        {"Product     \r\r\nROG STRIX X670E-E GAMING WIFI  \r\r\n\r\r\n",
         "ROG STRIX X670E-E GAMING WIFI"},
        {"\r\r\nProduct\r\r\n\r\r\n  PRIME B650-PLUS\t\r\r\n", "PRIME B650-PLUS"},
        {"Product\r\r\n\r\r\n\r\r\n", ""},
        {"Product\r\nProduct\r\nTUF\r\n", "TUF"},
        {"product\r\nTUF\r\n", "product"},
        {"Product name\r\n", "Product name"},
        {"  Z790-P  ", "Z790-P"},
        {"[!] Failed to run command\n", "[!] Failed to run command"},
        {"", ""},
        {"Product\r\nB650 AORUS ELITE AX\r\n", "B650 AORUS ELITE AX"},
    };
    for (const Case& c : cases) EXPECT_EQ(parseProduct(c.capture), c.product) << c.capture;
}

TEST(BoardCommands, WmicWhereItExistsAndPowerShellWhereItDoesNot) {
    const BoardCommands wmic = windowsBoardCommands(true);
    EXPECT_EQ(wmic.manufacturer, "wmic baseboard get manufacturer");
    EXPECT_EQ(wmic.product, "wmic baseboard get product");
    const BoardCommands ps = windowsBoardCommands(false);
    EXPECT_EQ(ps.manufacturer,
              "powershell -NoProfile -Command \"'Manufacturer'; (Get-CimInstance "
              "Win32_BaseBoard).Manufacturer\"");
    EXPECT_EQ(ps.product,
              "powershell -NoProfile -Command \"'Product'; (Get-CimInstance "
              "Win32_BaseBoard).Product\"");
}

}  // namespace
}  // namespace quorven::testing

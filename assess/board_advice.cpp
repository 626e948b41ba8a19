#include "assess/board_advice.h"

#include <algorithm>

#include "console/console_presenter.h"

namespace quorven {
namespace {

constexpr std::string_view kAsus = "ASUSTeK COMPUTER INC.";

struct PermVendor {
    std::string_view name;
    std::string_view detection;
};

constexpr std::array<PermVendor, 3> kPermVendors = {{
    {"Micro-Star International Co., Ltd.", "[+] Detected MSI\n"},
    {"ASRock", "[+] Detected ASRock\n"},
    {"Gigabyte Technology Co., Ltd.", "[+] Detected Gigabyte\n"},
}};

constexpr std::string_view kCompatible = "\n[+] Motherboard is compatibile";

}  // namespace

bool needsEfiButton(std::string_view product) {
    return std::any_of(EfiButtonChipsets.begin(), EfiButtonChipsets.end(),
                       [product](std::string_view chipset) {
                           return product.find(chipset) != std::string_view::npos;
                       });
}

void adviseOnBoard(const std::string& manufacturer, Output& out, Pauser& pauser,
                   CommandRunner& runner, const BoardCommands& commands) {
    if (manufacturer == kAsus) {
        // The product command runs before anything is written.
        const std::string product = readBoardProduct(runner, commands);
        writeText(out, "[+] Detected Asus\n");
        writeText(out, needsEfiButton(product) ? "[+] Use EFI Button" : "[+] Use Perm Button\n");
        out.flush();
        pauser.pause(1000);
        pauser.pause(2000);
        writeText(out, kCompatible);
        out.flush();
        return;
    }
    const auto vendor = std::find_if(kPermVendors.begin(), kPermVendors.end(),
                                     [&](const PermVendor& v) { return v.name == manufacturer; });
    if (vendor != kPermVendors.end()) {
        writeText(out, vendor->detection);
        out.flush();
        pauser.pause(1000);
        writeText(out, "[+] Use Perm Button");
        out.flush();
        pauser.pause(2000);
        writeText(out, kCompatible);
        out.flush();
        return;
    }
    writeText(out, "[+] Open a ticket for manual verification.");
    out.flush();
    pauser.pause(2000);
}

}  // namespace quorven

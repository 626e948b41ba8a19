#include "assess/board_advice.h"

#include <algorithm>

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

// Users have seen this spelling for years and guides quote it: keep it.
constexpr std::string_view kCompatible = "\n[+] Motherboard is compatibile";

}  // namespace

bool needsEfiButton(std::string_view product) {
    return std::any_of(EfiButtonChipsets.begin(), EfiButtonChipsets.end(),
                       [product](std::string_view chipset) {
                           return product.find(chipset) != std::string_view::npos;
                       });
}

bool adviceNeedsProduct(std::string_view manufacturer) {
    return manufacturer == kAsus;
}

BoardAdvice adviseOnBoard(std::string_view manufacturer, std::string_view product) {
    if (manufacturer == kAsus) {
        // Deliberately uneven: the EFI line has no line feed and the Perm line
        // has one, so a Perm board shows an empty line before the
        // compatibility line. The pause is a 1000 ms beat and a 2000 ms one,
        // not one 3000 ms pause.
        return {{"[+] Detected Asus\n", 0},
                {needsEfiButton(product) ? "[+] Use EFI Button" : "[+] Use Perm Button\n", 1000},
                {"", 2000},
                {kCompatible, 0}};
    }
    const auto vendor = std::find_if(kPermVendors.begin(), kPermVendors.end(),
                                     [&](const PermVendor& v) { return v.name == manufacturer; });
    if (vendor != kPermVendors.end()) {
        return {{vendor->detection, 1000}, {"[+] Use Perm Button", 2000}, {kCompatible, 0}};
    }
    return {{"[+] Open a ticket for manual verification.", 2000}};
}

}  // namespace quorven

#include "console/console_presenter.h"

namespace quorven {

// QUORVEN in the FIGlet "ANSI Shadow" style, every row padded to 62 cells.
std::string_view bannerText() {
    static constexpr std::string_view kBanner =
        "\n\n\n"
        " ██████╗ ██╗   ██╗ ██████╗ ██████╗ ██╗   ██╗███████╗███╗   ██╗\n"
        "██╔═══██╗██║   ██║██╔═══██╗██╔══██╗██║   ██║██╔════╝████╗  ██║\n"
        "██║   ██║██║   ██║██║   ██║██████╔╝██║   ██║█████╗  ██╔██╗ ██║\n"
        "██║▄▄ ██║██║   ██║██║   ██║██╔══██╗╚██╗ ██╔╝██╔══╝  ██║╚██╗██║\n"
        "╚██████╔╝╚██████╔╝╚██████╔╝██║  ██║ ╚████╔╝ ███████╗██║ ╚████║\n"
        " ╚══▀▀═╝  ╚═════╝  ╚═════╝ ╚═╝  ╚═╝  ╚═══╝  ╚══════╝╚═╝  ╚═══╝\n"
        "                                                              \n"
        "\n"
        "    ";
    return kBanner;
}

}  // namespace quorven

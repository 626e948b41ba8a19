// Prints "wmic baseboard get manufacturer|product" the way the real wmic
// writes into a pipe: columns padded with blanks, lines ending in CR CR LF.
#include "fake_common.h"

int main() {
    fake::logCommandLine("wmic");
    fake::barrier("wmic");
    fake::delay();
    const std::string line = GetCommandLineA();
    const bool product = fake::contains(line, "product");
    const std::string header = product ? "Product" : "Manufacturer";
    bool present = false;
    const std::string value =
        fake::env(product ? "QUORVEN_FAKE_PRODUCT" : "QUORVEN_FAKE_MANUFACTURER", &present);
    if (!present) {
        fake::writeRaw(STD_ERROR_HANDLE, "No Instance(s) Available.\r\r\n");
        return 0;
    }
    const std::size_t width = std::max(header.size(), value.size()) + 2;
    std::string out = header + std::string(width - header.size(), ' ') + "\r\r\n";
    out += value + std::string(width - std::min(width, value.size()), ' ') + "\r\r\n";
    out += "\r\r\n";
    fake::writeRaw(STD_OUTPUT_HANDLE, out);
    return 0;
}

// The PCI functions as sysfs shows them: a folder per function, named by its
// address, with its IDs as hexadecimal text and a link to its driver.
#include "probes/pci_functions_posix.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace quorven {
namespace {

namespace fs = std::filesystem;

// "0x8086\n" as the kernel writes it.
std::optional<std::uint32_t> readHex(const fs::path& file, std::uint32_t largest) {
    std::ifstream in(file);
    std::string text;
    if (!(in >> text) || !text.starts_with("0x")) return std::nullopt;
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data() + 2, end, value, 16);
    if (error != std::errc() || at != end || at == text.data() + 2 || value > largest) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::vector<PciFunction> listSysfsPciFunctions(const std::string& rootFolder) {
    std::vector<fs::path> folders;
    std::error_code error;
    fs::directory_iterator entry(fs::path(rootFolder) / "bus" / "pci" / "devices", error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        folders.push_back(entry->path());
    }
    std::sort(folders.begin(), folders.end());
    std::vector<PciFunction> functions;
    for (const fs::path& folder : folders) {
        const std::optional<std::uint32_t> vendor = readHex(folder / "vendor", 0xFFFF);
        const std::optional<std::uint32_t> device = readHex(folder / "device", 0xFFFF);
        const std::optional<std::uint32_t> classCode = readHex(folder / "class", 0xFFFFFF);
        if (!vendor || !device || !classCode) continue;
        // No link where no driver is bound.
        std::error_code linkError;
        const fs::path driver = fs::read_symlink(folder / "driver", linkError);
        functions.push_back({static_cast<std::uint16_t>(*vendor),
                             static_cast<std::uint16_t>(*device), *classCode,
                             linkError ? std::string() : driver.filename().string()});
    }
    return functions;
}

std::unique_ptr<PciLister> makePciLister() {
    return makeReadAheadPciLister([] { return listSysfsPciFunctions("/sys"); });
}

}  // namespace quorven

#include "probes/pci_functions.h"

#include <future>
#include <optional>
#include <string_view>
#include <system_error>

namespace quorven {
namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (upper(text[i]) != prefix[i]) return false;
    }
    return true;
}

// Exactly `digits` hex digits after the prefix, or nothing.
std::optional<std::uint32_t> hexField(std::string_view token, std::string_view prefix,
                                      std::size_t digits) {
    if (!startsWithIgnoringCase(token, prefix) || token.size() != prefix.size() + digits) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : token.substr(prefix.size())) {
        const char u = upper(c);
        const int digit = u >= '0' && u <= '9' ? u - '0' : u >= 'A' && u <= 'F' ? u - 'A' + 10 : -1;
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

struct Fields {
    std::optional<std::uint32_t> vendor, device, fullClass, shortClass;
};

void readId(std::string_view id, Fields& fields) {
    if (!startsWithIgnoringCase(id, "PCI\\")) return;
    std::string_view rest = id.substr(4);
    while (!rest.empty()) {
        const std::size_t end = rest.find('&');
        const std::string_view token = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        // The first ID to say a thing says it: they come most specific first.
        const auto take = [&token](std::optional<std::uint32_t>& field, std::string_view prefix,
                                   std::size_t digits) {
            if (!field) field = hexField(token, prefix, digits);
        };
        take(fields.vendor, "VEN_", 4);
        take(fields.device, "DEV_", 4);
        take(fields.fullClass, "CC_", 6);
        take(fields.shortClass, "CC_", 4);
    }
}

class ReadAheadPciLister final : public PciLister {
  public:
    explicit ReadAheadPciLister(std::function<std::vector<PciFunction>()> read)
        : read_(std::move(read)) {
        try {
            ahead_ = std::async(std::launch::async, read_);
        } catch (const std::system_error&) {
            // No thread: the listing is read when it is asked for.
        }
    }
    // A future from std::async waits for its thread when it goes, so no
    // reading outlives the lister.
    std::vector<PciFunction> listPciFunctions() override {
        if (ahead_.valid()) return ahead_.get();
        return read_();
    }

  private:
    std::function<std::vector<PciFunction>()> read_;
    std::future<std::vector<PciFunction>> ahead_;
};

}  // namespace

PciFunction pciFunctionFromIds(const std::vector<std::string>& hardwareIds,
                               const std::vector<std::string>& compatibleIds, std::string service) {
    Fields fields;
    for (const std::string& id : hardwareIds) readId(id, fields);
    for (const std::string& id : compatibleIds) readId(id, fields);
    PciFunction function;
    function.vendor = static_cast<std::uint16_t>(fields.vendor.value_or(0));
    function.device = static_cast<std::uint16_t>(fields.device.value_or(0));
    function.classCode = fields.fullClass    ? *fields.fullClass
                         : fields.shortClass ? *fields.shortClass << 8
                                             : 0;
    function.service = std::move(service);
    return function;
}

std::unique_ptr<PciLister> makeReadAheadPciLister(std::function<std::vector<PciFunction>()> read) {
    return std::make_unique<ReadAheadPciLister>(std::move(read));
}

}  // namespace quorven

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "fake_world.h"
#include "probes/platform_probes.h"

namespace quorven::testing {
namespace {

TEST(ProbeTable, WindowsCommandsAreTheExactPowerShellTexts) {
    // The one place where these bytes are written out: the transcripts and
    // the Wine scenarios take them from the table.
    const ProbeTable table = windowsProbeTable();
    EXPECT_EQ(table.wifi.command,
              "powershell -Command \"Get-NetAdapter | Where-Object { $_.InterfaceDescription "
              "-match '802.11n' } | Select-Object -ExpandProperty Status\"");
    EXPECT_EQ(table.bluetooth.command,
              "powershell -Command \"Get-PnpDevice -Class Bluetooth | Select-Object "
              "-ExpandProperty Status\"");
    EXPECT_EQ(table.tpm.command,
              "powershell -Command \"Get-TPM | Select-Object -ExpandProperty TpmEnabled\"");
    EXPECT_EQ(table.secureBoot.command, "powershell -Command \"Confirm-SecureBootUEFI\"");
}

struct MatchCase {
    const char* probe;
    Capture capture;
    std::string word;
};

TEST(ProbeAnswers, LineByLineMatchingInTableOrder) {
    const ProbeTable table = windowsProbeTable();
    const std::map<std::string, const PlatformProbe*> probes = {{"wifi", &table.wifi},
                                                                {"bluetooth", &table.bluetooth},
                                                                {"tpm", &table.tpm},
                                                                {"secureBoot", &table.secureBoot}};
    const MatchCase cases[] = {
        // Start failures: no pipe, or no process.
        {"wifi", {Capture::PipeFailed, {}}, "UNAVAILABLE"},
        {"secureBoot", {Capture::PipeFailed, {}}, "ERROR"},
        {"wifi", {Capture::NotStarted, {}}, "UNAVAILABLE"},
        {"bluetooth", {Capture::NotStarted, {}}, "UNAVAILABLE"},
        {"tpm", {Capture::NotStarted, {}}, "UNAVAILABLE"},
        {"secureBoot", {Capture::NotStarted, {}}, "ERROR"},
        // Ended at the limit, whatever it wrote: nothing known, and without
        // a second source the start-failure word, not the fallback.
        {"bluetooth", {Capture::TimedOut, {}}, "UNAVAILABLE"},
        {"bluetooth", {Capture::TimedOut, "OK\n"}, "UNAVAILABLE"},
        {"tpm", {Capture::TimedOut, {}}, "UNAVAILABLE"},
        {"secureBoot", {Capture::TimedOut, {}}, "ERROR"},
        // Empty output falls back.
        {"wifi", {Capture::Read, ""}, "UNKNOWN"},
        {"bluetooth", {Capture::Read, ""}, "DISABLED"},
        {"tpm", {Capture::Read, ""}, "UNKNOWN"},
        {"secureBoot", {Capture::Read, ""}, "UNSUPPORTED"},
        // Single answers, line breaks anywhere.
        {"tpm", {Capture::Read, "True\n"}, "ENABLED"},
        {"tpm", {Capture::Read, "\n\nFalse\n\n"}, "DISABLED"},
        {"secureBoot", {Capture::Read, "True\r\n"}, "ENABLED"},
        {"secureBoot", {Capture::Read, "False"}, "DISABLED"},
        {"wifi", {Capture::Read, "Up\n"}, "ENABLED"},
        {"wifi", {Capture::Read, "Down\n"}, "DISABLED"},
        {"wifi", {Capture::Read, "Disconnected\n"}, "UNKNOWN"},
        {"bluetooth", {Capture::Read, "OK\n"}, "ENABLED"},
        {"bluetooth", {Capture::Read, "Error\n"}, "DISABLED"},
        // Case and blanks count.
        {"tpm", {Capture::Read, "true\n"}, "UNKNOWN"},
        {"tpm", {Capture::Read, "TRUE\n"}, "UNKNOWN"},
        {"tpm", {Capture::Read, "True \n"}, "UNKNOWN"},
        {"tpm", {Capture::Read, " True\n"}, "UNKNOWN"},
        {"secureBoot", {Capture::Read, "\tTrue\n"}, "UNSUPPORTED"},
        {"secureBoot", {Capture::Read, "Cmdlet not supported on this platform.\n"}, "UNSUPPORTED"},
        // Several devices answer one line each.
        {"bluetooth", {Capture::Read, "OK\nOK\nOK\nUnknown\n"}, "ENABLED"},
        {"bluetooth", {Capture::Read, "Unknown\nError\n"}, "DISABLED"},
        {"wifi", {Capture::Read, "Up\nUp\n"}, "ENABLED"},
        {"wifi", {Capture::Read, "Down\nUp\n"}, "ENABLED"},
        {"wifi", {Capture::Read, "Down\r\nDown\r\n"}, "DISABLED"},
        {"wifi", {Capture::Read, "UpDown\n"}, "UNKNOWN"},
        // A lone CR is dropped, not a line break.
        {"tpm", {Capture::Read, "Tr\rue\n"}, "ENABLED"},
        {"tpm", {Capture::Read, std::string("True\0", 5)}, "UNKNOWN"},
    };
    for (const MatchCase& c : cases) {
        const PlatformProbe& probe = *probes.at(c.probe);
        EXPECT_EQ(probeWord(probe, c.capture), c.word)
            << c.probe << " " << c.capture.outcome << " \"" << c.capture.text << '"';
    }
}

TEST(SecondSources, RegistryValueTpmResultAndWlanStateGiveTheirWords) {
    // What RegGetValueA, restricted to REG_DWORD, gives for each kind of value.
    const std::pair<RegistryDword, const char*> values[] = {
        {{0, 4, 1}, "ENABLED"},        {{0, 4, 0}, "DISABLED"}, {{0, 4, 2}, "UNSUPPORTED"},
        {{2, 4, 0}, "UNSUPPORTED"},     // no key or no value: a BIOS boot
        {{1630, 4, 0}, "UNSUPPORTED"},  // REG_SZ, REG_BINARY or REG_QWORD
        {{234, 8, 0}, "UNSUPPORTED"},   // eight bytes of DWORD type
        {{0, 2, 1}, "UNSUPPORTED"},     // two bytes of DWORD type still succeed
    };
    for (const auto& [value, word] : values) {
        EXPECT_EQ(secureBootWordFromRegistry(value), word)
            << value.status << " " << value.size << " " << value.number;
    }
    const std::pair<std::optional<std::uint32_t>, const char*> results[] = {
        {0u, "ENABLED"},
        {0x8028400Fu, "DISABLED"},  // TBS_E_TPM_NOT_FOUND
        {0x80284002u, "UNKNOWN"},   // TBS_E_BAD_PARAMETER
        {1u, "UNKNOWN"},
        {std::nullopt, "UNKNOWN"},  // no tbs.dll, or no Tbsi_GetDeviceInfo in it
    };
    for (const auto& [result, word] : results) {
        EXPECT_EQ(tpmWordFromDeviceInfo(result), word) << (result ? *result : 0xFFFFFFFFu);
    }
    using enum RadioState;
    const WlanInterface offline{false, std::nullopt};  // its radio state refused
    const std::pair<std::optional<std::vector<WlanInterface>>, const char*> wlans[] = {
        {std::nullopt, "UNKNOWN"},  // no wlanapi.dll, a function missing, or open failed
        {std::vector<WlanInterface>{}, "UNKNOWN"},  // no wireless interface
        {std::vector{offline, WlanInterface{true, std::nullopt}}, "ENABLED"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{{On, On}}}}, "ENABLED"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{{Off, On}}}}, "DISABLED"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{{On, Off}}}}, "DISABLED"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{{Off, On}, {On, On}}}}, "ENABLED"},
        {std::vector{offline, WlanInterface{false, std::vector<WlanPhy>{{Unknown, Off}}}},
         "DISABLED"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{{Off, On}, {Unknown, On}}}},
         "UNKNOWN"},
        {std::vector{WlanInterface{false, std::vector<WlanPhy>{}}}, "UNKNOWN"},  // no PHY
        {std::vector{offline}, "UNKNOWN"},
    };
    for (std::size_t i = 0; i < std::size(wlans); ++i) {
        EXPECT_EQ(wifiWordFromWlan(wlans[i].first), wlans[i].second) << "row " << i;
    }
}

// The Linux stand-ins run for real: one line for each device this machine
// has, each an answer the probes know. A stand-in that prints nothing is
// checked too: the machine must have nothing for it to report.
TEST(PosixProbes, StandInsPrintOneKnownAnswerPerDevice) {
    namespace fs = std::filesystem;
    std::size_t radios = 0, bluetooth = 0;
    std::error_code absent;  // no such folder: no such device
    for (const auto& d : fs::directory_iterator("/sys/class/net", absent)) {
        radios += fs::is_directory(d.path() / "wireless");
    }
    for (const auto& d : fs::directory_iterator("/sys/class/bluetooth", absent)) {
        bluetooth += d.path().filename().string().starts_with("hci");
    }
    const std::size_t efi = fs::is_directory("/sys/firmware/efi");
    const ProbeTable table = platformProbeTable();
    const auto runner = makeCommandRunner();
    const std::vector<Capture> captures =
        runner->run({probeRequest(table.wifi), probeRequest(table.bluetooth),
                     probeRequest(table.tpm), probeRequest(table.secureBoot)});
    const std::tuple<const PlatformProbe*, std::set<std::string>, std::size_t> probes[] = {
        {&table.wifi, {"Up", "Down"}, radios},
        {&table.bluetooth, {"OK", "Error"}, bluetooth},
        {&table.tpm, {"True", "False"}, 1},
        {&table.secureBoot, {"True", "False"}, efi}};
    for (std::size_t i = 0; i < std::size(probes); ++i) {
        const auto& [probe, allowed, devices] = probes[i];
        ASSERT_EQ(captures[i].outcome, Capture::Read) << probe->command;
        const std::string* output = &captures[i].text;
        EXPECT_TRUE(output->empty() || output->ends_with('\n')) << "unterminated: " << *output;
        EXPECT_EQ(splitLines(*output).size(), devices) << probe->command << " printed " << *output;
        for (std::string_view line : splitLines(*output)) {
            EXPECT_TRUE(allowed.count(std::string(line))) << probe->command << " printed " << line;
        }
    }
}

}  // namespace
}  // namespace quorven::testing

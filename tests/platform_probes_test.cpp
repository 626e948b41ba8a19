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
    std::optional<std::string> output;
    std::string word;
};

TEST(ProbeAnswers, LineByLineMatchingInTableOrder) {
    const ProbeTable table = windowsProbeTable();
    const std::map<std::string, const PlatformProbe*> probes = {{"wifi", &table.wifi},
                                                                {"bluetooth", &table.bluetooth},
                                                                {"tpm", &table.tpm},
                                                                {"secureBoot", &table.secureBoot}};
    const MatchCase cases[] = {
        // Start failures.
        {"wifi", std::nullopt, "UNAVAILABLE"},
        {"bluetooth", std::nullopt, "UNAVAILABLE"},
        {"tpm", std::nullopt, "UNAVAILABLE"},
        {"secureBoot", std::nullopt, "ERROR"},
        // Empty output falls back.
        {"wifi", "", "UNKNOWN"},
        {"bluetooth", "", "DISABLED"},
        {"tpm", "", "UNKNOWN"},
        {"secureBoot", "", "UNSUPPORTED"},
        // Single answers, line breaks anywhere.
        {"tpm", "True\n", "ENABLED"},
        {"tpm", "\n\nFalse\n\n", "DISABLED"},
        {"secureBoot", "True\r\n", "ENABLED"},
        {"secureBoot", "False", "DISABLED"},
        {"wifi", "Up\n", "ENABLED"},
        {"wifi", "Down\n", "DISABLED"},
        {"wifi", "Disconnected\n", "UNKNOWN"},
        {"bluetooth", "OK\n", "ENABLED"},
        {"bluetooth", "Error\n", "DISABLED"},
        // Case and blanks count.
        {"tpm", "true\n", "UNKNOWN"},
        {"tpm", "TRUE\n", "UNKNOWN"},
        {"tpm", "True \n", "UNKNOWN"},
        {"tpm", " True\n", "UNKNOWN"},
        {"secureBoot", "\tTrue\n", "UNSUPPORTED"},
        {"secureBoot", "Cmdlet not supported on this platform.\n", "UNSUPPORTED"},
        // Several devices answer one line each.
        {"bluetooth", "OK\nOK\nOK\nUnknown\n", "ENABLED"},
        {"bluetooth", "Unknown\nError\n", "DISABLED"},
        {"wifi", "Up\nUp\n", "ENABLED"},
        {"wifi", "Down\nUp\n", "ENABLED"},
        {"wifi", "Down\r\nDown\r\n", "DISABLED"},
        {"wifi", "UpDown\n", "UNKNOWN"},
        // A lone CR is dropped, not a line break.
        {"tpm", "Tr\rue\n", "ENABLED"},
        {"tpm", std::string("True\0", 5), "UNKNOWN"},
    };
    for (const MatchCase& c : cases) {
        // The answer sits on standard output alone: a probe that read the
        // combined streams, or ran another command, would find nothing.
        Transcript t;
        FakeRunner runner(t);
        const PlatformProbe& probe = *probes.at(c.probe);
        if (c.output) runner.stdoutAnswers[probe.command] = *c.output;
        EXPECT_EQ(runProbe(probe, runner), c.word)
            << c.probe << " " << (c.output ? '"' + *c.output + '"' : "not started");
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
    const std::tuple<const PlatformProbe*, std::set<std::string>, std::size_t> probes[] = {
        {&table.wifi, {"Up", "Down"}, radios},
        {&table.bluetooth, {"OK", "Error"}, bluetooth},
        {&table.tpm, {"True", "False"}, 1},
        {&table.secureBoot, {"True", "False"}, efi}};
    for (const auto& [probe, allowed, devices] : probes) {
        const std::optional<std::string> output = runner->readCommandStdout(probe->command);
        ASSERT_TRUE(output.has_value()) << probe->command;
        EXPECT_TRUE(output->empty() || output->ends_with('\n')) << "unterminated: " << *output;
        EXPECT_EQ(splitLines(*output).size(), devices) << probe->command << " printed " << *output;
        for (std::string_view line : splitLines(*output)) {
            EXPECT_TRUE(allowed.count(std::string(line))) << probe->command << " printed " << line;
        }
    }
}

}  // namespace
}  // namespace quorven::testing

#pragma once
// A scripted world for driving whole runs in-process. Every observable act
// lands in one ordered transcript, so tests see where colours and pauses
// fall between the bytes. Time is the transcript's own: pauses move it on,
// and so does waiting for a command that has not ended yet.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/world.h"

namespace quorven::testing {

struct Event {
    // Unflushed: standard output still held bytes when the run paused, changed
    // colour or read; a test that meets one fails on it.
    // Wait: the run waited this many ms for a command to end.
    enum Kind { Out, Err, Colour, Pause, Command, System, Read, Unflushed, Wait };
    Kind kind;
    std::string text;  // bytes, the command, or the number as text
    bool operator==(const Event&) const = default;
};

class Transcript {
  public:
    void add(Event::Kind kind, std::string text) {
        // Adjacent writes to one stream merge, so that how a text was split
        // into calls does not matter.
        if ((kind == Event::Out || kind == Event::Err) && !events.empty() &&
            events.back().kind == kind) {
            events.back().text += text;
            return;
        }
        events.push_back({kind, std::move(text)});
    }
    std::string stream(Event::Kind kind) const {
        std::string all;
        for (const Event& e : events) {
            if (e.kind == kind) all += e.text;
        }
        return all;
    }
    std::vector<unsigned> pauses() const {
        std::vector<unsigned> all;
        for (const Event& e : events) {
            if (e.kind == Event::Pause) all.push_back(static_cast<unsigned>(std::stoul(e.text)));
        }
        return all;
    }
    std::vector<std::string> of(Event::Kind kind) const {
        std::vector<std::string> all;
        for (const Event& e : events) {
            if (e.kind == kind) all.push_back(e.text);
        }
        return all;
    }
    /// Where output must already be on the screen.
    void checkFlushed(const char* where) {
        if (outputPending) add(Event::Unflushed, where);
    }
    /// Moves the clock on to `ms`, recording the wait, when it is later.
    void waitUntil(std::uint64_t ms) {
        if (ms <= nowMs) return;
        add(Event::Wait, std::to_string(ms - nowMs));
        nowMs = ms;
    }
    std::vector<Event> events;
    bool outputPending = false;
    std::uint64_t nowMs = 0;
};

class FakeOutput final : public Output {
  public:
    FakeOutput(Transcript& t, Event::Kind kind) : t_(t), kind_(kind) {}
    void write(std::string_view bytes) override {
        t_.add(kind_, std::string(bytes));
        if (kind_ == Event::Out && !bytes.empty()) t_.outputPending = true;
    }
    void flush() override {
        if (kind_ == Event::Out) t_.outputPending = false;
    }

  private:
    Transcript& t_;
    Event::Kind kind_;
};

/// Answers lines from a script; past its end, input is at end of file.
class FakeInput final : public Input {
  public:
    FakeInput(Transcript& t, std::deque<std::string> lines) : t_(t), lines_(std::move(lines)) {}
    std::string readLine() override {
        t_.checkFlushed("read");
        t_.add(Event::Read, "line");
        if (lines_.empty()) return {};
        std::string line = std::move(lines_.front());
        lines_.pop_front();
        return line;
    }
    void readChar() override {
        t_.checkFlushed("read");
        t_.add(Event::Read, "char");
        if (!lines_.empty()) lines_.pop_front();
    }

  private:
    Transcript& t_;
    std::deque<std::string> lines_;
};

class FakePauser final : public Pauser {
  public:
    explicit FakePauser(Transcript& t) : t_(t) {}
    void pause(unsigned ms) override {
        t_.checkFlushed("pause");
        t_.add(Event::Pause, std::to_string(ms));
        t_.nowMs += ms;
    }

  private:
    Transcript& t_;
};

/// A console whose calls succeed unless told otherwise.
class FakeConsole final : public ConsoleApi {
  public:
    explicit FakeConsole(Transcript& t) : t_(t) {}
    bool setOutputCodePage(unsigned cp) override {
        calls.push_back("codepage " + std::to_string(cp));
        return codePageOk;
    }
    ConsoleHandle stdOutputHandle() override { return handle; }
    bool setWindowInfo(ConsoleHandle h, ConsoleRect r) override {
        calls.push_back("window " + std::to_string(h) + " " + std::to_string(r.left) + "," +
                        std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                        std::to_string(r.bottom));
        return !(r.right > 1 && finalWindowFails);
    }
    bool setScreenBufferSize(ConsoleHandle h, ConsoleSize s) override {
        calls.push_back("buffer " + std::to_string(h) + " " + std::to_string(s.columns) + "x" +
                        std::to_string(s.rows));
        return !bufferFails;
    }
    ConsoleSize largestWindowSize(ConsoleHandle h) override {
        calls.push_back("largest " + std::to_string(h));
        return largest;
    }
    std::uint32_t lastError() override { return error; }
    bool setTextAttribute(ConsoleHandle, std::uint16_t attribute) override {
        t_.checkFlushed("colour");
        t_.add(Event::Colour, std::to_string(attribute));
        return true;
    }
    void runSystemCommand(const char* command) override {
        t_.checkFlushed("system");
        t_.add(Event::System, command);
    }
    ConsoleWindow window() override { return consoleWindow; }

    ConsoleHandle handle = 42;
    ConsoleWindow consoleWindow;  // none, unless a test gives one
    bool codePageOk = true;
    bool bufferFails = false;
    bool finalWindowFails = false;
    ConsoleSize largest{0, 0};
    std::uint32_t error = 0;
    std::vector<std::string> calls;

  private:
    Transcript& t_;
};

/// Answers commands from a table, or hands them to a real runner; an unknown
/// command did not start. Each start and each collection is a Command event.
/// A command ends `endsAfter` ms after its start (at once by default), and
/// one that would end past the limit is ended there, as the real runner does.
class FakeRunner final : public CommandRunner {
  public:
    explicit FakeRunner(Transcript& t) : t_(t) {}
    std::unique_ptr<StartedCommands> start(const std::vector<CommandRequest>& requests) override {
        for (const CommandRequest& r : requests) {
            t_.add(Event::Command, (r.withStandardError ? "hidden: " : "stdout: ") + r.command);
        }
        if (real != nullptr) return real->start(requests);
        std::vector<Scheduled> scheduled;
        for (const CommandRequest& r : requests) {
            const auto& answers = r.withStandardError ? hidden : stdoutAnswers;
            const auto found = answers.find(r.command);
            const auto late = endsAfter.find(r.command);
            const std::uint64_t after = late == endsAfter.end() ? 0 : late->second;
            const std::uint64_t limit = kCommandTimeLimit.count();
            Capture capture{Capture::NotStarted, {}};
            if (after > limit) {
                capture = {Capture::TimedOut, {}};
            } else if (found != answers.end()) {
                capture = {Capture::Read, found->second};
            }
            scheduled.push_back({t_.nowMs + std::min(after, limit), std::move(capture)});
        }
        return std::make_unique<Started>(t_, std::move(scheduled));
    }
    std::map<std::string, std::string> hidden;
    std::map<std::string, std::string> stdoutAnswers;
    std::map<std::string, std::uint64_t> endsAfter;
    CommandRunner* real = nullptr;

  private:
    struct Scheduled {
        std::uint64_t endsAt;
        Capture capture;
    };
    class Started final : public StartedCommands {
      public:
        Started(Transcript& t, std::vector<Scheduled> scheduled)
            : t_(t), scheduled_(std::move(scheduled)) {}
        std::vector<Capture> collect() override {
            t_.add(Event::Command, "collect");
            std::vector<Capture> captures;
            for (const Scheduled& s : scheduled_) {
                t_.waitUntil(s.endsAt);
                captures.push_back(s.capture);
            }
            return captures;
        }

      private:
        Transcript& t_;
        std::vector<Scheduled> scheduled_;
    };
    Transcript& t_;
};

class FakeDisks final : public DiskLister {
  public:
    explicit FakeDisks(Transcript& t) : t_(t) {}
    DiskInventory listDisks() override {
        t_.add(Event::Command, "listDisks");
        return {disks, failure};
    }
    std::vector<DiskRecord> disks;
    std::string failure;

  private:
    Transcript& t_;
};

/// Numbers disks by their DeviceID, so that only the inventory it is handed
/// gets numbers.
class FakeLayout final : public DiskLayoutReader {
  public:
    explicit FakeLayout(Transcript& t) : t_(t) {}
    DiskLayout readLayout(const std::vector<DiskRecord>& disks) override {
        t_.add(Event::Command, "readLayout");
        DiskLayout answer = layout;
        for (const DiskRecord& disk : disks) {
            const auto found = numbers.find(disk.deviceId);
            answer.diskNumbers.push_back(found == numbers.end()
                                             ? std::nullopt
                                             : std::optional<std::uint32_t>(found->second));
        }
        return answer;
    }
    std::map<std::string, std::uint32_t> numbers;
    DiskLayout layout;  // its diskNumbers come from numbers

  private:
    Transcript& t_;
};

/// The board's PCI functions, asked for once per run.
class FakePci final : public PciLister {
  public:
    explicit FakePci(Transcript& t) : t_(t) {}
    std::vector<PciFunction> listPciFunctions() override {
        t_.add(Event::Command, "listPciFunctions");
        return functions;
    }
    std::vector<PciFunction> functions;

  private:
    Transcript& t_;
};

inline DiskRecord sataDisk(std::string id, std::string model = "Wine Disk Drive") {
    return {std::move(id), std::move(model), 1, 0};
}
inline DiskRecord nvmeDisk(std::string id, std::string model = "Samsung SSD 990 PRO") {
    return {std::move(id), std::move(model), 0, 1};
}
inline DiskRecord raidVolume(std::string id, std::string model = "Intel Raid 0 Volume") {
    return {std::move(id), std::move(model), 0, 0, 1};
}
inline DiskRecord virtualDisk(std::string id, std::string model = "VBOX HARDDISK") {
    return {std::move(id), std::move(model), 0, 0, 0, 1};
}

/// An ISA/LPC bridge, as the chipset's shows on the PCI bus.
inline PciFunction lpcBridge(std::uint16_t vendor, std::uint16_t device) {
    return {vendor, device, 0x060100, {}};
}

/// Everything a run touches, with the Windows command texts.
struct FakeWorld {
    explicit FakeWorld(std::deque<std::string> answers = {})
        : out(t, Event::Out),
          err(t, Event::Err),
          in(t, std::move(answers)),
          pauser(t),
          console(t),
          runner(t),
          disks(t),
          layout(t),
          pci(t),
          world{out,
                err,
                in,
                pauser,
                console,
                runner,
                disks,
                layout,
                pci,
                windowsProbeTable(),
                windowsBoardCommands(true)} {
        // As on Windows, where they ask the WLAN service, the registry and
        // tbs.dll.
        world.probes.wifi.secondSource = [this] {
            t.add(Event::Command, "second source: wifi");
            return wifiSecondWord;
        };
        world.probes.tpm.secondSource = [this] {
            t.add(Event::Command, "second source: tpm");
            return tpmSecondWord;
        };
        world.probes.secureBoot.secondSource = [this] {
            t.add(Event::Command, "second source: secure boot");
            return secureBootSecondWord;
        };
    }

    Transcript t;
    FakeOutput out;
    FakeOutput err;
    FakeInput in;
    FakePauser pauser;
    FakeConsole console;
    FakeRunner runner;
    FakeDisks disks;
    FakeLayout layout;
    FakePci pci;
    World world;
    std::string wifiSecondWord = "UNKNOWN";
    std::string tpmSecondWord = "DISABLED";
    std::string secureBootSecondWord = "UNSUPPORTED";
};

}  // namespace quorven::testing

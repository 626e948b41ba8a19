// The runner over each platform's startChild: the threads, the limits and the
// order of the captures are the same on both.
#include <array>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "probes/command_capture.h"

namespace quorven {
namespace {

using TimePoint = RunnerClock::TimePoint;

class SteadyRunnerClock final : public RunnerClock {
  public:
    TimePoint now() override { return std::chrono::steady_clock::now(); }
    bool waitUntil(std::condition_variable& changed, std::unique_lock<std::mutex>& lock,
                   TimePoint deadline, const std::function<bool()>& ready) override {
        return changed.wait_until(lock, deadline, ready);
    }
};

// Shared by a reader thread and its batch, so that a reader left behind
// still owns its child and its buffer.
struct Reading {
    explicit Reading(std::unique_ptr<RunningChild> started) : child(std::move(started)) {}
    std::unique_ptr<RunningChild> child;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::string text;
};

void readToTheEnd(const std::shared_ptr<Reading>& reading) {
    std::array<char, kCaptureReadSize> buffer;
    std::string text;
    while (const std::size_t got = reading->child->read(buffer.data(), buffer.size())) {
        text.append(buffer.data(), got);
    }
    const std::lock_guard lock(reading->mutex);
    reading->text = std::move(text);
    reading->done = true;
    reading->ended.notify_all();
}

// One reader per child: a pipe that fills up stalls its child, so every
// pipe is drained while the others run.
class Batch final : public StartedCommands {
  public:
    Batch(const std::vector<CommandRequest>& requests, std::chrono::milliseconds limit,
          RunnerClock& clock)
        : clock_(clock) {
        slots_.reserve(requests.size());
        for (const CommandRequest& request : requests) {
            Slot& slot = slots_.emplace_back();
            StartedChild started = startChild(request);
            if (!started.child) {
                slot.failure = started.failure;
                continue;
            }
            // Counted from its own start, not from when it is collected.
            slot.deadline = clock_.now() + limit;
            slot.reading = std::make_shared<Reading>(std::move(started.child));
            try {
                slot.reader = std::thread(readToTheEnd, slot.reading);
            } catch (const std::system_error&) {
                // No reader, no answer: a command that could not be run.
                slot.reading->child->end();
                slot.reading.reset();
            }
        }
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;
    // Uncollected children are ended, not waited for.
    ~Batch() override {
        for (Slot& slot : slots_) finish(slot, clock_.now());
    }

    std::vector<Capture> collect() override {
        std::vector<Capture> captures;
        for (Slot& slot : slots_) captures.push_back(finish(slot, slot.deadline));
        return captures;
    }

  private:
    struct Slot {
        Capture::Outcome failure = Capture::NotStarted;
        std::shared_ptr<Reading> reading;
        std::thread reader;
        TimePoint deadline;
    };

    Capture finish(Slot& slot, TimePoint deadline) {
        if (!slot.reading) return {slot.failure, {}};
        const std::shared_ptr<Reading> reading = std::move(slot.reading);
        const std::function<bool()> done = [&reading] { return reading->done; };
        std::unique_lock lock(reading->mutex);
        if (clock_.waitUntil(reading->ended, lock, deadline, done)) {
            Capture capture{Capture::Read, std::move(reading->text)};
            lock.unlock();
            slot.reader.join();
            return capture;
        }
        lock.unlock();
        reading->child->end();
        lock.lock();
        const bool drained =
            clock_.waitUntil(reading->ended, lock, clock_.now() + kReaderGrace, done);
        lock.unlock();
        if (drained) {
            slot.reader.join();
        } else {
            slot.reader.detach();
        }
        return {Capture::TimedOut, {}};
    }

    RunnerClock& clock_;
    std::vector<Slot> slots_;
};

class InterpreterRunner final : public CommandRunner {
  public:
    InterpreterRunner(std::chrono::milliseconds limit, RunnerClock& clock)
        : limit_(limit), clock_(clock) {}
    std::unique_ptr<StartedCommands> start(const std::vector<CommandRequest>& requests) override {
        return std::make_unique<Batch>(requests, limit_, clock_);
    }

  private:
    std::chrono::milliseconds limit_;
    RunnerClock& clock_;
};

}  // namespace

RunnerClock& steadyRunnerClock() {
    static SteadyRunnerClock clock;
    return clock;
}

std::unique_ptr<CommandRunner> makeCommandRunner(std::chrono::milliseconds limit,
                                                 RunnerClock& clock) {
    return std::make_unique<InterpreterRunner>(limit, clock);
}

std::unique_ptr<CommandRunner> makeCommandRunner(RunnerClock& clock) {
    return makeCommandRunner(kCommandTimeLimit, clock);
}

}  // namespace quorven

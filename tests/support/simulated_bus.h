#pragma once
// The simulator on COM1 in a test's directory, which can be unplugged (its
// pseudo-terminal closed and its link removed, as when a USB adapter is
// pulled) and plugged in again (a new pseudo-terminal behind the same COM1),
// and a helper that pulls the plug from another thread while a tool is
// blocked in an exchange.

#include "sim/simulator.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>

namespace testsupport {

class SimulatedBus {
public:
    explicit SimulatedBus(kv275sim::SimulatorOptions options) : options_(std::move(options)) { plugIn(); }
    ~SimulatedBus() {
        if (sim_) sim_->stop();
    }
    SimulatedBus(const SimulatedBus&) = delete;
    SimulatedBus& operator=(const SimulatedBus&) = delete;

    kv275sim::Simulator& sim() { return *sim_; }
    // The pseudo-terminal goes, and COM1 is left as a link to a device that
    // is not there: as a link to a USB adapter that was pulled out. (Without
    // any COM1 the port would fall back to /dev/ttyS0, a real port.)
    void unplug() {
        sim_->killPort("COM1");
        [[maybe_unused]] const int linked =
            symlink("/dev/kv275-unplugged-adapter", (options_.directory + "/COM1").c_str());
    }
    // The same sensors behind the same COM1 again (their state starts afresh).
    void plugIn() {
        if (sim_) sim_->stop();
        sim_ = std::make_unique<kv275sim::Simulator>(options_);
        sim_->start();
    }

private:
    kv275sim::SimulatorOptions options_;
    std::unique_ptr<kv275sim::Simulator> sim_;
};

// Pulls the plug once `when` holds (checked every millisecond on a thread of
// its own), or after `giveUp`; join() before looking at the results.
class UnplugWhen {
public:
    UnplugWhen(SimulatedBus& bus, std::function<bool()> when,
               std::chrono::milliseconds giveUp = std::chrono::milliseconds(5000))
        : thread_([&bus, when = std::move(when), giveUp, this] {
              const auto end = std::chrono::steady_clock::now() + giveUp;
              while (!when() && std::chrono::steady_clock::now() < end)
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              bus.unplug();
              done_ = true;
          }) {}
    ~UnplugWhen() { join(); }
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    bool done() const { return done_; }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace testsupport

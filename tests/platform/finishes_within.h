#pragma once
// Runs a call that must not hang on a thread of its own and reports whether
// it finished in time. A call that hangs is left behind and the test fails
// instead of blocking the whole suite; so that nothing the call touches goes
// away under it, the call should hold shared ownership of what it uses.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace testsupport {

inline bool finishesWithin(std::chrono::milliseconds limit, std::function<void()> call) {
    struct State {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        std::function<void()> call;
    };
    auto state = std::make_shared<State>();
    state->call = std::move(call);
    std::thread([state] {
        state->call();
        std::lock_guard<std::mutex> lock(state->m);
        state->done = true;
        state->cv.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(state->m);
    return state->cv.wait_for(lock, limit, [&] { return state->done; });
}

}  // namespace testsupport

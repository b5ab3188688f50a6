#pragma once
// A subscriber of the test's own, through the same client library, keeping
// every message it gets in order. With an id its session is durable: the
// broker keeps its messages while it is away (and, with persistence, across
// the broker's restart).

#include <mosquitto.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace mqtttest {

struct Message {
    std::string topic;
    std::string payload;
    bool retained = false;
};

class Subscriber {
public:
    Subscriber(int port, std::string filter, const char* id = nullptr) : filter_(std::move(filter)) {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(id, id == nullptr, this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0) mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(self)->filter_.c_str(), 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->update([](Subscriber& s) { s.subscribed_ = true; });
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            static_cast<Subscriber*>(self)->update([m](Subscriber& s) {
                s.messages_.push_back({m->topic, std::string(static_cast<const char*>(m->payload),
                                                             static_cast<size_t>(m->payloadlen)),
                                       m->retain});
            });
        });
        if (mosquitto_connect(mosq_, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS || mosquitto_loop_start(mosq_) != 0)
            throw std::runtime_error("the test's subscriber cannot connect");
        std::unique_lock<std::mutex> lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(20), [&] { return subscribed_; }))
            throw std::runtime_error("the test's subscriber was not subscribed");
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }

    // The messages so far, once `done` holds for them or 30 s have passed.
    std::vector<Message> WaitFor(const std::function<bool(const std::vector<Message>&)>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(30), [&] { return done(messages_); });
        return messages_;
    }

private:
    void update(const std::function<void(Subscriber&)>& change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(*this);
        changed_.notify_all();
    }

    std::string filter_;
    mosquitto* mosq_ = nullptr;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool subscribed_ = false;
    std::vector<Message> messages_;
};

}  // namespace mqtttest

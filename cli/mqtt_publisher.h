#pragma once
// kv275 read's readings on their way to an MQTT broker, through the
// Mosquitto client library:
//   <prefix>/<port>/<address>  one JSON message per reading (see reading_json.h)
//   <prefix>/<port>/status     "online" while reading, "offline" at the end;
//                              "offline" is also the last will, which the
//                              broker sends when the reader dies or its
//                              network goes
// all retained, so that a subscriber who comes later sees the last of each.
//
// The sweep never waits for the network: Publish() only queues. The
// library's own thread does the network work and reconnects with back-off
// when the broker is lost; a thread of the publisher's own hands the queued
// readings to the library, a window at a time and in order. After a
// reconnection, the readings that were on their way go again first (the
// library resends them) and the queue follows once they are acknowledged.

#include "cli/mqtt_options.h"
#include "sensorlink/reading.h"
#include "cli/reading_queue.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct mosquitto;

namespace kvcli {

class MqttPublisher {
public:
    struct Totals {
        uint64_t published = 0;  // acknowledged by the broker (at QoS 0: sent)
        uint64_t dropped = 0;    // pushed out of the full queue, or never delivered
    };

    // An hour of the busiest bus: every query takes at least the sensor's
    // 15 ms, so one port yields at most 67 readings a second (240 000 an
    // hour), however many sensors share it.
    static constexpr size_t kQueueCapacity = 250000;

    MqttPublisher(const MqttOptions& options, std::optional<std::string> password, const std::string& portName,
                  size_t capacity = kQueueCapacity);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Connects and waits until the broker accepts (10 s at most). False:
    // `error` names the broker and what failed, `detail` the cause.
    bool Connect(std::string& error, std::string& detail);
    // Says "online" now, and again after every reconnection.
    void Announce();
    // Queues the readings; never waits for the network.
    void Publish(const std::vector<readinglog::Reading>& readings);
    // Delivers what is queued, says "offline" and disconnects. Waits as long
    // as the broker acknowledges or may come back: it gives up after 20 s
    // with neither, and what was not delivered then counts as dropped.
    Totals Finish();

    const std::string& url() const { return url_; }

private:
    static void onConnect(mosquitto*, void* self, int code);
    static void onDisconnect(mosquitto*, void* self, int code);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    void pump();
    bool readyToSend() const;
    // Files a message id the library gave out, or counts it acknowledged
    // when its acknowledgement came first.
    void track(int mid, std::set<int>& inFlight, bool reading);
    // Waits for `done`, giving up after a stretch without progress.
    void waitFor(std::unique_lock<std::mutex>& lock, const std::function<bool()>& done);
    std::string describe(int code, int error) const;
    void stop();

    MqttOptions options_;
    std::optional<std::string> password_;
    std::string url_;
    std::string topicBase_;  // "<prefix>/<port>/"
    std::string statusTopic_;
    mosquitto* mosq_ = nullptr;
    std::thread pump_;
    bool loopStarted_ = false;

    mutable std::mutex mutex_;
    std::condition_variable wakePump_;
    std::condition_variable changed_;
    ReadingQueue queue_;
    std::set<int> readingsInFlight_;  // handed to the library, not yet acknowledged
    std::set<int> statusInFlight_;
    std::set<int> earlyAcks_;
    std::optional<std::string> statusToSend_;
    bool connected_ = false;
    std::optional<int> connack_;  // the broker's answer to the first connection
    bool resending_ = false;      // a reconnection's resent readings are not all acknowledged yet
    bool announced_ = false;
    bool offline_ = false;
    bool stopping_ = false;
    uint64_t published_ = 0;
    uint64_t lostInFlight_ = 0;
    uint64_t progress_ = 0;  // acknowledgements and connections, for Finish's patience
    std::string lastLibraryError_;
};

}  // namespace kvcli

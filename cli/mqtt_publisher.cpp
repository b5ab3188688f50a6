#include "cli/mqtt_publisher.h"

#include "cli/reading_json.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace kvcli {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr auto kConnectWait = std::chrono::seconds(10);
// Finish waits as long as something happens at least this often.
constexpr auto kIdleLimit = std::chrono::seconds(20);
// Reconnection after 1, 2, 4, 8, then every 16 s.
constexpr unsigned kFirstRetrySeconds = 1;
constexpr unsigned kLastRetrySeconds = 16;
// Readings handed to the library and not yet acknowledged, at most: the
// library's own limit of messages in flight, so that it queues none of its
// own and the bounded queue stays the only one.
constexpr size_t kWindow = 20;
const std::string kOnline = "online";
const std::string kOffline = "offline";

void initialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

}  // namespace

MqttPublisher::MqttPublisher(const MqttOptions& options, std::optional<std::string> password,
                             const std::string& portName, size_t capacity)
    : options_(options),
      password_(std::move(password)),
      url_(options.Url()),
      topicBase_(options.Prefix() + "/" + portName + "/"),
      statusTopic_(topicBase_ + "status"),
      queue_(capacity) {}

MqttPublisher::~MqttPublisher() {
    stop();
    if (mosq_) mosquitto_destroy(mosq_);
}

std::string MqttPublisher::describe(int code, int error) const {
    if (code == MOSQ_ERR_ERRNO) return std::strerror(error);
    if (code == MOSQ_ERR_EAI) return "host name not found";
    if (code == MOSQ_ERR_TLS && !lastLibraryError_.empty()) return lastLibraryError_;
    std::string text = mosquitto_strerror(code);
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

bool MqttPublisher::Connect(std::string& error, std::string& detail) {
    initialiseLibraryOnce();
    error = "cannot reach the MQTT broker " + url_;
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        detail = std::strerror(errno);
        return false;
    }
    mosquitto_connect_callback_set(mosq_, onConnect);
    mosquitto_disconnect_callback_set(mosq_, onDisconnect);
    mosquitto_publish_callback_set(mosq_, onPublish);
    mosquitto_log_callback_set(mosq_, onLog);
    mosquitto_reconnect_delay_set(mosq_, kFirstRetrySeconds, kLastRetrySeconds, true);
    int rc = mosquitto_will_set(mosq_, statusTopic_.c_str(), static_cast<int>(kOffline.size()), kOffline.data(), 1,
                                true);
    if (rc == MOSQ_ERR_SUCCESS && !options_.user.empty())
        rc = mosquitto_username_pw_set(mosq_, options_.user.c_str(), password_ ? password_->c_str() : nullptr);
    if (rc == MOSQ_ERR_SUCCESS && options_.tls) {
        rc = options_.caFile.empty()
                 ? mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1)
                 : mosquitto_tls_set(mosq_, options_.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS && !options_.caFile.empty()) {
            detail = "cannot use the certificate file " + options_.caFile;
            return false;
        }
    }
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_connect_async(mosq_, options_.host.c_str(), options_.port, kKeepAliveSeconds);
    // The library's loop runs here until the broker has answered, so that a
    // failure is said with its cause; then it gets a thread of its own.
    const auto deadline = std::chrono::steady_clock::now() + kConnectWait;
    while (rc == MOSQ_ERR_SUCCESS) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (connack_) break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            detail = "no answer within " + std::to_string(kConnectWait.count()) + " s";
            return false;
        }
        errno = 0;
        rc = mosquitto_loop(mosq_, 100, 1);
    }
    const int cause = errno;
    if (connack_ && *connack_ != 0) {
        error = "the MQTT broker " + url_ + " refused the connection";
        detail = mosquitto_connack_string(*connack_);
        return false;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        detail = describe(rc, cause);
        return false;
    }
    if (mosquitto_loop_start(mosq_) != MOSQ_ERR_SUCCESS) {
        detail = "cannot start the network thread";
        return false;
    }
    loopStarted_ = true;
    pump_ = std::thread([this] { pump(); });
    return true;
}

void MqttPublisher::Announce() {
    std::lock_guard<std::mutex> lock(mutex_);
    announced_ = true;
    statusToSend_ = kOnline;
    wakePump_.notify_one();
}

void MqttPublisher::Publish(const std::vector<readinglog::Reading>& readings) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const readinglog::Reading& r : readings) queue_.Push(r);
    wakePump_.notify_one();
}

MqttPublisher::Totals MqttPublisher::Finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (loopStarted_) {
        waitFor(lock, [&] { return queue_.empty() && readingsInFlight_.empty(); });
        if (announced_) {
            // No "online" after a reconnection from here on. Without a
            // connection now, the broker has sent the last will already.
            offline_ = true;
            if (connected_) {
                statusToSend_ = kOffline;
                wakePump_.notify_one();
                waitFor(lock, [&] { return !statusToSend_ && statusInFlight_.empty(); });
            }
        }
    }
    Totals t;
    t.published = published_;
    t.dropped = queue_.dropped() + queue_.size() + readingsInFlight_.size() + lostInFlight_;
    lock.unlock();
    stop();
    return t;
}

void MqttPublisher::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        wakePump_.notify_one();
    }
    if (pump_.joinable()) pump_.join();
    if (!mosq_) return;
    // A disconnection asked for: the broker keeps the will to itself.
    mosquitto_disconnect(mosq_);
    if (loopStarted_) mosquitto_loop_stop(mosq_, false);
    loopStarted_ = false;
}

void MqttPublisher::waitFor(std::unique_lock<std::mutex>& lock, const std::function<bool()>& done) {
    uint64_t seen = progress_;
    auto idleSince = std::chrono::steady_clock::now();
    while (!done()) {
        changed_.wait_for(lock, std::chrono::milliseconds(200));
        if (progress_ != seen) {
            seen = progress_;
            idleSince = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - idleSince > kIdleLimit) {
            return;
        }
    }
}

bool MqttPublisher::readyToSend() const {
    if (stopping_) return true;
    if (!connected_) return false;
    return statusToSend_ || (!resending_ && !queue_.empty() && readingsInFlight_.size() < kWindow);
}

void MqttPublisher::track(int mid, std::set<int>& inFlight, bool reading) {
    if (earlyAcks_.erase(mid)) {
        published_ += reading ? 1 : 0;
        ++progress_;
        changed_.notify_all();
    } else {
        inFlight.insert(mid);
    }
}

void MqttPublisher::pump() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wakePump_.wait(lock, [&] { return readyToSend(); });
        if (stopping_) return;
        if (statusToSend_) {
            const std::string status = *statusToSend_;
            statusToSend_.reset();
            lock.unlock();
            int mid = 0;
            const int rc = mosquitto_publish(mosq_, &mid, statusTopic_.c_str(), static_cast<int>(status.size()),
                                             status.data(), 1, true);
            lock.lock();
            // Not taken: a reconnection announces again.
            if (rc == MOSQ_ERR_SUCCESS) track(mid, statusInFlight_, false);
            else if (rc == MOSQ_ERR_NO_CONN) connected_ = false;
            changed_.notify_all();
            continue;
        }
        std::deque<readinglog::Reading> batch = queue_.Take(kWindow - readingsInFlight_.size());
        lock.unlock();
        std::vector<int> mids;
        int rc = MOSQ_ERR_SUCCESS;
        for (const readinglog::Reading& r : batch) {
            const std::string topic = topicBase_ + std::to_string(r.address);
            const std::string payload = ReadingJson(r);
            int mid = 0;
            rc = mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                   options_.qos, true);
            if (rc != MOSQ_ERR_SUCCESS) break;
            mids.push_back(mid);
        }
        lock.lock();
        for (int mid : mids) track(mid, readingsInFlight_, true);
        batch.erase(batch.begin(), batch.begin() + static_cast<long>(mids.size()));
        if (rc == MOSQ_ERR_NO_CONN) {
            // At QoS 0 the library takes nothing while it is disconnected
            // (at QoS 1 it keeps every message for the next connection).
            queue_.PutBack(batch);
            connected_ = false;
        } else if (!batch.empty()) {
            // Refused for good (out of memory, say): offering it again would stall the rest.
            ++lostInFlight_;
            batch.pop_front();
            queue_.PutBack(batch);
        }
    }
}

void MqttPublisher::onConnect(mosquitto*, void* self, int code) {
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->mutex_);
    if (!p->connack_) p->connack_ = code;
    if (code == 0) {
        p->connected_ = true;
        ++p->progress_;
        p->resending_ = !p->readingsInFlight_.empty();
        if (p->announced_ && !p->offline_) p->statusToSend_ = kOnline;
    }
    p->wakePump_.notify_one();
    p->changed_.notify_all();
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int) {
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->mutex_);
    p->connected_ = false;
    if (p->options_.qos == 0) {
        // Messages of QoS 0 that were not written yet are gone with the connection.
        p->lostInFlight_ += p->readingsInFlight_.size();
        p->readingsInFlight_.clear();
    }
    p->changed_.notify_all();
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->mutex_);
    if (p->readingsInFlight_.erase(mid)) {
        ++p->published_;
        if (p->readingsInFlight_.empty()) p->resending_ = false;
    } else if (!p->statusInFlight_.erase(mid)) {
        p->earlyAcks_.insert(mid);
        return;
    }
    ++p->progress_;
    // Waking the pump for nothing would cost more than the acknowledgement.
    if (!p->queue_.empty()) p->wakePump_.notify_one();
    p->changed_.notify_all();
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text) {
    if (level != MOSQ_LOG_ERR || !text) return;
    auto* p = static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p->mutex_);
    p->lastLibraryError_ = text;
}

}  // namespace kvcli

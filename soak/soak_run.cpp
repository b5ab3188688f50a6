#include "soak/soak_run.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <time.h>
#include <unistd.h>

namespace soak {
namespace {

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

constexpr double kSampleEverySeconds = 5.0;

}  // namespace

std::vector<kv275sim::FaultRule> injectedFaults() {
    using kv275sim::FaultKind;
    return {{FaultKind::Silence, 0.01, 0},
            {FaultKind::BadChecksum, 0.01, 0},
            {FaultKind::BadChars, 0.01, 0},
            {FaultKind::ShortReply, 0.01, 0}};
}

Bus::Bus(std::vector<kv275sim::SensorConfig> sensors, const RunOptions& run) : run_(run) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv275soak.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(2);
    }
    dir_ = pattern;
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(dir_);
    kv275sim::SimulatorOptions options;
    options.directory = dir_;
    options.sensors = std::move(sensors);
    options.faults = injectedFaults();
    options.answerDelayMs = 3;
    options.seed = run.seed;
    if (run.scripted) {
        inProcess_ = std::make_unique<kv275sim::InProcessBus>(options);
    } else {
        sim_ = std::make_unique<kv275sim::Simulator>(options);
        sim_->start();
    }
}

Bus::~Bus() {
    if (sim_) sim_->stop();
    inProcess_.reset();
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(dir_, ec);
}

kv275sim::SensorBus& Bus::sensors() { return sim_ ? sim_->bus() : inProcess_->bus(); }

kv275sim::VariableTable Bus::variables(int address) {
    kv275sim::SensorBus& bus = sensors();
    return bus.variables(bus.findSensor(address).value());
}

double Bus::elapsedSeconds() const { return sim_ ? sim_->elapsedSeconds() : inProcess_->elapsedSeconds(); }

void Bus::run(const std::function<void()>& tick, const std::function<void()>& check) {
    if (inProcess_) {
        // The tool's timer ticks every 10 ms, or as soon as a longer tick is over.
        constexpr double kTimerInterval = 0.010;
        const double end = elapsedSeconds() + run_.seconds;
        while (elapsedSeconds() < end) {
            const double before = elapsedSeconds();
            tick();
            check();
            if (const double spent = elapsedSeconds() - before; spent < kTimerInterval)
                inProcess_->passTime(kTimerInterval - spent);
        }
        return;
    }
    QEventLoop loop;
    QTimer every;
    QObject::connect(&every, &QTimer::timeout, &loop, [&] { check(); });
    every.start(100);
    QTimer::singleShot(static_cast<int>(run_.seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

Sampler::Sampler(const Bus& bus, std::function<uint64_t()> operations)
    : bus_(bus), operations_(std::move(operations)) {}

void Sampler::take() {
    lastTaken_ = bus_.elapsedSeconds();
    samples_.push_back({lastTaken_, residentMiB(), threadCpuMs(), operations_()});
}

void Sampler::takeIfDue() {
    if (bus_.elapsedSeconds() - lastTaken_ >= kSampleEverySeconds) take();
}

void Report::checkNakAccounting(uint64_t badReplies, uint64_t failedQueries, uint64_t failedChecks,
                                const kv275sim::BusCounters& sim) {
    if (badReplies != sim.faults) problems.push_back("the bad replies differ from the faults injected");
    if (sim.naks + failedQueries != badReplies) problems.push_back("a bad reply went unanswered, or a NAK too many");
    if (failedChecks > failedQueries || (failedQueries - failedChecks) * 3 + failedChecks > sim.faults)
        problems.push_back("more failed queries than the faults explain");
}

double Sampler::growthMiBPerHour() const {
    if (samples_.size() < 3) return 0.0;
    const double total = samples_.back().seconds;
    const double from = total >= 120.0 ? 60.0 : total / 5.0;
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const Sample& s : samples_) {
        if (s.seconds < from) continue;
        n += 1;
        sx += s.seconds;
        sy += s.residentMiB;
        sxx += s.seconds * s.seconds;
        sxy += s.seconds * s.residentMiB;
    }
    const double d = n * sxx - sx * sx;
    if (n < 2 || d == 0) return 0.0;
    return (n * sxy - sx * sy) / d * 3600.0;
}

bool Report::print(const Sampler& sampler) const {
    std::vector<std::string> all = problems;
    const std::vector<Sample>& s = sampler.samples();
    std::printf("== %s\n", tool.c_str());
    std::printf("  %-34s %u (%s)\n", "seed:", run.seed,
                run.scripted ? "scripted line on the bus's own clock" : "pseudo-terminal in real time");
    if (!run.replay.empty()) std::printf("  %-34s %s\n", "replay:", run.replay.c_str());
    for (const auto& [name, value] : figures) std::printf("  %-34s %s\n", (name + ":").c_str(), value.c_str());
    if (s.size() >= 2 && run.scripted) {
        std::printf("  %-34s %.1f s on the bus's clock\n", "duration:", s.back().seconds);
    } else if (s.size() >= 2) {
        const bool judgeMemory = run.judgeMemory;
        const Sample& first = s.front();
        const Sample& last = s.back();
        const double ops = static_cast<double>(last.operations - first.operations);
        std::printf("  %-34s %.1f s, %zu samples\n", "duration:", last.seconds, s.size());
        std::printf("  %-34s %.1f MiB at start, %.1f MiB at the end\n", "resident memory:", first.residentMiB,
                    last.residentMiB);
        std::string byMinute;
        double nextMinute = 60.0;
        for (const Sample& sample : s) {
            if (sample.seconds < nextMinute) continue;
            char part[32];
            std::snprintf(part, sizeof part, "%s%.2f", byMinute.empty() ? "" : " ", sample.residentMiB);
            byMinute += part;
            nextMinute += 60.0;
        }
        if (!byMinute.empty()) std::printf("  %-34s %s MiB\n", "resident memory minute by minute:", byMinute.c_str());
        const double growth = sampler.growthMiBPerHour();
        std::printf("  %-34s %+.2f MiB an hour%s\n", "memory growth after warm-up:", growth,
                    judgeMemory ? "" : " (too short a run to judge)");
        if (ops > 0)
            std::printf("  %-34s %.3f ms\n", "tool's processor time per operation:",
                        (last.toolCpuMs - first.toolCpuMs) / ops);
        if (judgeMemory && growth > 1.0) all.push_back("memory grows by more than 1 MiB an hour");
    }
    for (const std::string& p : all) std::printf("  PROBLEM: %s\n", p.c_str());
    std::printf("  verdict: %s\n", all.empty() ? "clean" : "NOT CLEAN");
    std::fflush(stdout);
    return all.empty();
}

}  // namespace soak

#include "sim/gps_simulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace tm47 {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kGpsOutputLimit = 4096; // a receiver nobody listens to just overruns
constexpr std::size_t kReceivedLimit = 4096;

} // namespace

GpsSimulator::GpsSimulator(GpsConfig config)
    : config_(std::move(config)), fault_(static_cast<int>(config_.fault)) {}

GpsSimulator::~GpsSimulator() {
    Stop();
}

bool GpsSimulator::Start(std::string* error) {
    return worker_.Start(
        config_.linkPath, [this] { Run(); }, error);
}

void GpsSimulator::Stop() {
    worker_.Stop();
}

void GpsSimulator::SetFault(GpsFault fault) {
    fault_.store(static_cast<int>(fault));
}

GpsCounters GpsSimulator::Counters() const {
    GpsCounters c;
    c.epochs = epochs_.load();
    c.sentencesSent = sentencesSent_.load();
    c.badSentencesSent = badSentencesSent_.load();
    c.bytesReceived = bytesReceived_.load();
    return c;
}

std::string GpsSimulator::Received() const {
    std::lock_guard lock(receivedMutex_);
    return received_;
}

void GpsSimulator::Run() {
    const int master = worker_.MasterFd();
    const auto interval = std::chrono::milliseconds(std::max(1, config_.intervalMs));
    const auto started = SteadyClock::now();
    auto nextEpoch = started; // the first epoch goes out at once
    std::string out;
    char buf[256];

    while (!worker_.StopRequested()) {
        const auto now = SteadyClock::now();
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextEpoch - now).count();
        const int timeoutMs = static_cast<int>(std::clamp<long long>(wait + 1, 0, 100));
        pollfd fds[2] = {{master, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0},
                         {worker_.WakeFd(), POLLIN, 0}};
        if (poll(fds, 2, timeoutMs) < 0 && errno != EINTR) {
            break;
        }
        if (fds[1].revents & POLLIN) {
            worker_.DrainWake();
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) {
                bytesReceived_.fetch_add(static_cast<uint64_t>(n));
                std::lock_guard lock(receivedMutex_);
                received_.append(buf, static_cast<std::size_t>(n));
                if (received_.size() > kReceivedLimit) {
                    received_.erase(0, received_.size() - kReceivedLimit);
                }
            }
        }
        const auto t = SteadyClock::now();
        if (t >= nextEpoch) {
            nextEpoch += interval;
            if (t - nextEpoch > 5 * interval) {
                nextEpoch = t + interval; // stalled: do not burst
            }
            epochs_.fetch_add(1);
            const auto fault = static_cast<GpsFault>(fault_.load());
            if (fault != GpsFault::Silent) {
                const double seconds = std::chrono::duration<double>(t - started).count();
                const GpsPosition p =
                    config_.metersAlongLine
                        ? config_.walk.Along(config_.metersAlongLine(), config_.headingDeg)
                        : config_.walk.At(seconds);
                const auto unixMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count();
                const UtcTime utc = UtcFromUnixMs(unixMs);
                const bool bad = fault == GpsFault::BadChecksum;
                const std::string epoch =
                    NmeaSentence(GgaBody(utc, p, config_.satellites, 0.9), bad) +
                    NmeaSentence(GsaBody(config_.satellites, 1.8, 0.9, 1.5), bad) +
                    NmeaSentence(RmcBody(utc, p), bad);
                if (out.size() + epoch.size() <= kGpsOutputLimit) {
                    out += epoch;
                    sentencesSent_.fetch_add(3);
                    if (bad) {
                        badSentencesSent_.fetch_add(3);
                    }
                }
            }
        }
        if (!out.empty()) {
            const ssize_t n = write(master, out.data(), out.size());
            if (n > 0) {
                out.erase(0, static_cast<std::size_t>(n));
            }
        }
        if ((fds[0].revents & (POLLHUP | POLLERR)) && !(fds[0].revents & POLLIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

} // namespace tm47

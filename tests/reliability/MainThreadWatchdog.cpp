// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainThreadWatchdog.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace chorale::test {

namespace {

constexpr int intervalMs = 5;

std::int64_t monotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

} // namespace

MainThreadWatchdog::MainThreadWatchdog() {
    // "cpu-time run-queue-wait timeslices", in nanoseconds, for the calling thread.
    m_schedstat = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    m_lastTick = monotonicNow();
    m_lastWait = runQueueWait();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &MainThreadWatchdog::tick);
    m_timer.start();
}

MainThreadWatchdog::~MainThreadWatchdog() {
    if (m_schedstat >= 0)
        ::close(m_schedstat);
}

std::int64_t MainThreadWatchdog::runQueueWait() const {
    if (m_schedstat < 0)
        return 0;
    char text[128] = {};
    const ssize_t n = ::pread(m_schedstat, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    char *rest = nullptr;
    std::strtoll(text, &rest, 10);
    return std::strtoll(rest, nullptr, 10);
}

void MainThreadWatchdog::tick() {
    const std::int64_t now = monotonicNow();
    const std::int64_t wait = runQueueWait();
    const std::int64_t stall =
            (now - m_lastTick) - (wait - m_lastWait) - std::int64_t(intervalMs) * 1'000'000;
    m_worst = std::max(m_worst, stall);
    m_lastTick = now;
    m_lastWait = wait;
}

std::chrono::milliseconds MainThreadWatchdog::worstStall() const {
    return std::chrono::milliseconds(m_worst / 1'000'000);
}

} // namespace chorale::test

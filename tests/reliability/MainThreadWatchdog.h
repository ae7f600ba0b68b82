// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdint>

namespace chorale::test {

// Measures how long the thread it lives on (the main thread) goes without serving its event
// loop: a precise 5 ms timer notes the gap between its ticks. Time the thread spent waiting for
// a CPU (another process or test was running) is taken out of each gap, using the scheduler's
// per-thread run-queue statistics, so the figure is the time the thread was busy or blocked,
// whatever the load of the machine.
class MainThreadWatchdog : public QObject {
public:
    MainThreadWatchdog();
    ~MainThreadWatchdog() override;

    // The longest stall seen since construction.
    std::chrono::milliseconds worstStall() const;

private:
    void tick();
    std::int64_t runQueueWait() const; // nanoseconds

    QTimer m_timer;
    int m_schedstat = -1;
    std::int64_t m_lastTick = 0; // nanoseconds, monotonic
    std::int64_t m_lastWait = 0;
    std::int64_t m_worst = 0;
};

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>

#include <chrono>
#include <memory>

namespace chorale {

// A one-shot event on the main thread that coroutines can wait for.
class AsyncFlag : public QObject {
    Q_OBJECT

public:
    bool isSet() const { return m_set; }
    // Sets the flag and wakes every waiter (on their next turn of the event loop).
    void set();
    // Returns at once when the flag is already set.
    QCoro::Task<> wait();

signals:
    void wasSet();

private:
    bool m_set = false;
};

// Cooperative cancellation for the engine's main-thread tasks (QCoro tasks cannot be cancelled
// from outside): whoever owns a copy may cancel, and the task checks it after each await.
// Copies share one state.
class CancellationToken {
public:
    CancellationToken();

    void cancel() const;
    bool isCancelled() const;

    // Sleeps on a monotonic timer, waking early when cancelled. Returns false when the sleep
    // was cancelled (before or during it).
    QCoro::Task<bool> sleep(std::chrono::milliseconds duration) const;

private:
    std::shared_ptr<AsyncFlag> m_flag;
};

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
// The background helper the namer hands transcriptions to: the work object (holding the take's
// paths and the shared transcriber) must be destroyed exactly as often as it was made, whatever
// the compiler does with coroutine temporaries.
#include "model/Background.h"

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace {

std::atomic<int> alive{0};

struct Tracked {
    Tracked() { ++alive; }
    Tracked(const Tracked &) { ++alive; }
    Tracked(Tracked &&) noexcept { ++alive; }
    ~Tracked() { --alive; }
};

QCoro::Task<int> runTracked(bool fail) {
    auto work = [tracked = Tracked()]() -> int {
        (void)tracked;
        if (QThread::currentThread()->priority() != QThread::LowPriority)
            return -1;
        return 42;
    };
    if (fail) {
        auto failing = [tracked = Tracked()]() -> int { throw std::runtime_error("failed"); };
        try {
            co_return co_await chorale::runInBackground(std::move(failing));
        } catch (const std::runtime_error &) {
            co_return -2; // the work's exception reaches the awaiting coroutine
        }
    }
    co_return co_await chorale::runInBackground(std::move(work), QThread::LowPriority);
}

TEST(BackgroundWork, WorkRunsAtItsPriorityAndIsDestroyedOnce) {
    alive = 0;
    // The pool thread lets go of the job just after it reports the result: wait for the pool
    // before counting.
    EXPECT_EQ(QCoro::waitFor(runTracked(false)), 42);
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(QCoro::waitFor(runTracked(true)), -2);
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(alive, 0);
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotask.h>

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace chorale {

// Runs blocking `work` on the global thread pool and resumes the awaiting coroutine on the thread
// that awaited it (the main thread for every caller in this app). Any exception thrown by `work`
// is rethrown in the awaiting coroutine.
template <typename Work>
auto runInBackground(Work work, QThread::Priority priority = QThread::InheritPriority)
        -> QCoro::Task<std::invoke_result_t<Work>> {
    using Result = std::invoke_result_t<Work>;
    // Exceptions are carried by hand so that every exception type survives the thread hop.
    struct Outcome {
        std::exception_ptr error;
        std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> value{};
    };
    // The job and its future are named: g++ 12 destroys the captures of a lambda that is a
    // temporary inside a co_await expression one time too many.
    auto job = [work = std::move(work), priority]() mutable {
        Outcome o;
        if (priority != QThread::InheritPriority)
            QThread::currentThread()->setPriority(priority);
        try {
            if constexpr (std::is_void_v<Result>) {
                work();
                o.value = true;
            } else {
                o.value.emplace(work());
            }
        } catch (...) {
            o.error = std::current_exception();
        }
        if (priority != QThread::InheritPriority)
            QThread::currentThread()->setPriority(QThread::NormalPriority);
        return o;
    };
    QFuture<Outcome> future = QtConcurrent::run(std::move(job));
    Outcome outcome = co_await future;
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    if constexpr (!std::is_void_v<Result>)
        co_return std::move(*outcome.value);
}

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEventLoop>
#include <qcoro/qcorotask.h>

#include <exception>
#include <optional>
#include <type_traits>

namespace chorale::test {

namespace detail {

template <typename T>
using Slot = std::conditional_t<std::is_void_v<T>, bool, std::optional<T>>;

template <typename T>
QCoro::Task<> runToEnd(QCoro::Task<T> task, Slot<T> *value, std::exception_ptr *error, bool *done,
                       QEventLoop *loop) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            *value = true;
        } else {
            value->emplace(co_await task);
        }
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

} // namespace detail

// Runs the event loop until `task` has finished and returns its result, rethrowing what it
// threw. (QCoro 0.8's own waitFor never returns from a task that throws.)
template <typename T>
T waitForTask(QCoro::Task<T> task) {
    QEventLoop loop;
    detail::Slot<T> value{};
    std::exception_ptr error;
    bool done = false;
    auto runner = detail::runToEnd(std::move(task), &value, &error, &done, &loop);
    if (!done)
        loop.exec();
    if (error)
        std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>)
        return std::move(*value);
}

} // namespace chorale::test

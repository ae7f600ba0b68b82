// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CancellationToken.h"

#include <QTimer>
#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotimer.h>

namespace chorale {

void AsyncFlag::set() {
    if (m_set)
        return;
    m_set = true;
    emit wasSet();
}

QCoro::Task<> AsyncFlag::wait() {
    if (m_set)
        co_return;
    co_await qCoro(this, &AsyncFlag::wasSet);
}

CancellationToken::CancellationToken()
    : m_flag(std::make_shared<AsyncFlag>()) {}

void CancellationToken::cancel() const {
    m_flag->set();
}

bool CancellationToken::isCancelled() const {
    return m_flag->isSet();
}

QCoro::Task<bool> CancellationToken::sleep(std::chrono::milliseconds duration) const {
    // The coroutine keeps the shared state alive while it sleeps.
    const std::shared_ptr<AsyncFlag> flag = m_flag;
    if (flag->isSet())
        co_return false;
    QTimer timer;
    timer.setSingleShot(true);
    // Cancelling fires the timer at once instead of waiting out the interval.
    QObject::connect(flag.get(), &AsyncFlag::wasSet, &timer, [&timer] { timer.start(0); });
    timer.start(duration);
    co_await timer;
    co_return !flag->isSet();
}

} // namespace chorale

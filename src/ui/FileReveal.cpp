// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>

namespace chorale::FileReveal {

namespace {
constexpr int replyTimeoutMs = 5000;

void openFolder(const QString &path) {
    QDesktopServices::openUrl(fallbackFolder(path));
}
} // namespace

QUrl fallbackFolder(const QString &path) {
    return QUrl::fromLocalFile(QFileInfo(path).absolutePath());
}

void reveal(const QString &path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openFolder(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"),
            QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    // Asynchronous: a file manager started by bus activation can take a moment to answer.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, replyTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [path](QDBusPendingCallWatcher *w) {
                         if (w->isError())
                             openFolder(path);
                         w->deleteLater();
                     });
}

} // namespace chorale::FileReveal

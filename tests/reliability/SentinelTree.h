// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace chorale::test {

// A small folder tree outside the data directory that nothing may touch: a valid WAV (so that a
// stray read would find real audio), a meta.json, a text file and a sub-folder. Watched with
// inotify from startWatching() on; every open, read, write, attribute change, creation,
// deletion or move inside it is an event, and the fingerprint (names, sizes, times, contents)
// shows any change made before or around the watch.
class SentinelTree {
public:
    explicit SentinelTree(const QString &root);
    ~SentinelTree();
    SentinelTree(const SentinelTree &) = delete;
    SentinelTree &operator=(const SentinelTree &) = delete;

    QString root() const { return m_root; }
    QString victim() const { return m_root + QStringLiteral("/victim.wav"); }

    void startWatching();
    // Every event since startWatching, as "path: kinds". Read them before taking the
    // fingerprint, which reads the files itself.
    QStringList events();
    // Path -> size, modification time and a hash of the content, for every entry.
    QMap<QString, QString> fingerprint() const;

private:
    QString m_root;
    int m_inotify = -1;
    QMap<int, QString> m_watches;
};

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "SentinelTree.h"

#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <stdexcept>

namespace chorale::test {

namespace {

constexpr uint32_t watchedEvents = IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_OPEN |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                   IN_DELETE_SELF | IN_MOVE_SELF;

QString describe(uint32_t mask) {
    static const std::pair<uint32_t, const char *> names[] = {
            {IN_ACCESS, "read"},         {IN_MODIFY, "written"}, {IN_ATTRIB, "attributes"},
            {IN_CLOSE_WRITE, "closed"},  {IN_OPEN, "opened"},    {IN_MOVED_FROM, "moved away"},
            {IN_MOVED_TO, "moved in"},   {IN_CREATE, "created"}, {IN_DELETE, "deleted"},
            {IN_DELETE_SELF, "removed"}, {IN_MOVE_SELF, "moved"}};
    QStringList kinds;
    for (const auto &[bit, name] : names) {
        if (mask & bit)
            kinds << QLatin1String(name);
    }
    return kinds.join(u',');
}

} // namespace

SentinelTree::SentinelTree(const QString &root)
    : m_root(root) {
    QDir().mkpath(m_root + QStringLiteral("/inner"));
    Tone tone;
    tone.seconds = 3.5;
    tone.sampleRate = 16000;
    writeTone(victim(), tone);
    writeTone(m_root + QStringLiteral("/inner/deeper.wav"), tone);
    writeAll(m_root + QStringLiteral("/notes.txt"), "nothing may touch this file\n");
    writeAll(m_root + QStringLiteral("/meta.json"),
             R"({"characterName": "Outside", "createdAt": "2025-01-31T09:15:02Z",
                 "duration": 3.5, "id": "0D0D0D0D-0000-4000-8000-000000000000",
                 "sourceDevice": "Outside"})");
}

SentinelTree::~SentinelTree() {
    if (m_inotify >= 0)
        ::close(m_inotify);
}

void SentinelTree::startWatching() {
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0)
        throw std::runtime_error("inotify is not available");
    QStringList folders{m_root};
    QDirIterator it(m_root, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        folders << it.next();
    for (const QString &folder : folders) {
        const int wd = inotify_add_watch(m_inotify, QFile::encodeName(folder).constData(),
                                         watchedEvents | IN_DONT_FOLLOW);
        if (wd < 0)
            throw std::runtime_error("cannot watch " + folder.toStdString());
        m_watches[wd] = folder;
    }
}

QStringList SentinelTree::events() {
    QStringList found;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            QString path = m_watches.value(event->wd);
            if (event->len > 0)
                path += u'/' + QString::fromLocal8Bit(event->name);
            found << path + QStringLiteral(": ") + describe(event->mask);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    return found;
}

QMap<QString, QString> SentinelTree::fingerprint() const {
    QMap<QString, QString> prints;
    QDirIterator it(m_root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString print = QString::number(info.size()) + u' ' +
                        QString::number(info.lastModified().toMSecsSinceEpoch());
        if (info.isFile()) {
            QFile file(info.filePath());
            if (file.open(QIODevice::ReadOnly))
                print += u' ' +
                         QString::fromLatin1(QCryptographicHash::hash(file.readAll(),
                                                                      QCryptographicHash::Sha256)
                                                     .toHex());
        }
        prints[info.filePath()] = print;
    }
    return prints;
}

} // namespace chorale::test

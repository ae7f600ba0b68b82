// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/AtomicFile.h"

#include "model/ChoraleError.h"

#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace chorale::AtomicFile {

namespace {

ChoraleError systemError(const QString &path) {
    return ChoraleError::platform(QStringLiteral("%1: %2").arg(
            QFileInfo(path).fileName(), QString::fromLocal8Bit(std::strerror(errno))));
}

void syncFile(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw systemError(path);
    const int rc = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    if (rc != 0) {
        errno = savedErrno;
        throw systemError(path);
    }
}

// Makes a completed rename durable; failures here are not worth failing the write for.
void syncFolder(const QString &folder) {
    const int fd =
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void renameOver(const QString &from, const QString &to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw systemError(to);
    syncFolder(QFileInfo(to).absolutePath());
}

} // namespace

QString temporaryPathBeside(const QString &path) {
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".") +
           QUuid::createUuid().toString(QUuid::Id128).left(12) + QStringLiteral(".tmp");
}

void write(const QString &path, const QByteArray &bytes) {
    replace(path, [&bytes](const QString &temp) {
        QFile file(temp);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size() || !file.flush()) {
            throw ChoraleError::platform(file.errorString());
        }
    });
}

void replace(const QString &path, const std::function<void(const QString &tempPath)> &produce) {
    const QString temp = temporaryPathBeside(path);
    try {
        produce(temp);
        syncFile(temp);
        renameOver(temp, path);
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
}

} // namespace chorale::AtomicFile

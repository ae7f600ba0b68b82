// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Shared bits of the fuzz targets: a failed property aborts, so libFuzzer keeps the input as a
// crash like any sanitizer report.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition);  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace chorale::fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A private folder for the files one fuzzing process writes, removed when it exits.
inline QString scratchFolder() {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/chorale-fuzz-XXXXXX"));
    return folder.path();
}

// Writes `content` to a file called `name` in the scratch folder and returns its path.
inline QString writeScratch(const QString &name, const QByteArray &content) {
    const QString path = scratchFolder() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

} // namespace chorale::fuzz

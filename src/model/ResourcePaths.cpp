// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ResourcePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace chorale::ResourcePaths {

namespace {
std::optional<QString> &resourceOverride() {
    static std::optional<QString> path;
    return path;
}
} // namespace

QString executableDirectory() {
    const QString dir = QCoreApplication::applicationDirPath();
    return dir.isEmpty() ? QDir::currentPath() : dir;
}

std::optional<QString> resourceDirectory() {
    if (resourceOverride()) {
        if (resourceOverride()->isEmpty())
            return std::nullopt;
        return *resourceOverride();
    }
    const QString dir = normalized(executableDirectory(), QStringLiteral("../share/chorale"));
    if (QFileInfo(dir).isDir())
        return dir;
    return std::nullopt;
}

void setResourceDirectoryOverride(const std::optional<QString> &path) {
    resourceOverride() = path;
}

QString normalized(const QString &base, const QString &relative) {
    return QDir::cleanPath(base + u'/' + relative);
}

} // namespace chorale::ResourcePaths

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/EnginePaths.h"

#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/ResourcePaths.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace chorale::EnginePaths {

namespace {

std::optional<SearchPlaces> &placesOverride() {
    static std::optional<SearchPlaces> places;
    return places;
}

SearchPlaces effectivePlaces() {
    return placesOverride() ? *placesOverride() : SearchPlaces::current();
}

using ResourcePaths::normalized;

bool isExecutableFile(const QString &path) {
    return QFileInfo(path).isFile() && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}

} // namespace

SearchPlaces SearchPlaces::current() {
    SearchPlaces places;
    places.scriptOverride = qEnvironmentVariable(scriptVariable);
    places.resourceDirectory = ResourcePaths::resourceDirectory();
    places.executableDirectory = ResourcePaths::executableDirectory();
    places.workingDirectory = QDir::currentPath();
    places.dataRoot = DataPaths::root();
    places.fixedInterpreters = defaultFixedInterpreters();
    return places;
}

QStringList defaultFixedInterpreters() {
    // Package-manager locations first, then the distribution's own Python 3.11 and, failing
    // that, its default Python 3.
    return {
            QStringLiteral("/opt/homebrew/opt/python@3.11/bin/python3.11"),
            QStringLiteral("/opt/homebrew/bin/python3.11"),
            QStringLiteral("/usr/local/bin/python3.11"),
            QStringLiteral("/opt/homebrew/bin/python3"),
            QStringLiteral("/usr/bin/python3.11"),
            QStringLiteral("/usr/bin/python3"),
    };
}

QStringList serverCandidates(const SearchPlaces &places) {
    const QString script = QStringLiteral("engine/server.py");
    QStringList candidates;
    if (!places.scriptOverride.isEmpty())
        candidates << QDir::cleanPath(
                QDir(places.workingDirectory).filePath(places.scriptOverride));
    if (places.resourceDirectory)
        candidates << normalized(*places.resourceDirectory, script);
    const QString &exe = places.executableDirectory;
    candidates << normalized(exe, script)
               << normalized(exe, QStringLiteral("../Resources/") + script)
               << normalized(exe, QStringLiteral("../../") + script)
               << normalized(exe, QStringLiteral("../../../") + script);
    const QString &cwd = places.workingDirectory;
    candidates << normalized(cwd, script) << normalized(cwd, QStringLiteral("../") + script)
               << normalized(cwd, QStringLiteral("../../") + script);
    return candidates;
}

QString serverURL(const SearchPlaces &places) {
    for (const QString &candidate : serverCandidates(places)) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    throw ChoraleError::engineUnavailable(QStringLiteral("Could not find engine/server.py."));
}

QStringList pythonCandidates(const SearchPlaces &places) {
    QStringList candidates;
    try {
        const QString engineFolder = QFileInfo(serverURL(places)).path();
        candidates << normalized(engineFolder, QStringLiteral(".venv/bin/python3"))
                   << normalized(engineFolder, QStringLiteral("../python/bin/python3"))
                   << normalized(engineFolder, QStringLiteral("python/bin/python3"));
    } catch (const ChoraleError &) {
        // Without a script there is nothing beside it to look at.
    }
    if (places.resourceDirectory)
        candidates << normalized(*places.resourceDirectory, QStringLiteral("python/bin/python3"));
    candidates << normalized(places.dataRoot, QStringLiteral("venv/bin/python3"))
               << places.fixedInterpreters;
    candidates.removeDuplicates();
    return candidates;
}

QString pythonURL(const SearchPlaces &places) {
    for (const QString &candidate : pythonCandidates(places)) {
        if (isExecutableFile(candidate))
            return candidate;
    }
    throw ChoraleError::engineUnavailable(
            QStringLiteral("Python 3.11 is required for the voice engine."));
}

std::optional<QString> seedVcURL(const SearchPlaces &places) {
    try {
        return normalized(QFileInfo(serverURL(places)).path(), QStringLiteral("vendor/seed-vc"));
    } catch (const ChoraleError &) {
        return std::nullopt;
    }
}

QString serverURL() {
    return serverURL(effectivePlaces());
}

QString pythonURL() {
    return pythonURL(effectivePlaces());
}

std::optional<QString> seedVcURL() {
    return seedVcURL(effectivePlaces());
}

std::optional<QString> workingDirectory() {
    const auto seedVc = seedVcURL();
    if (seedVc && QFileInfo(*seedVc).isDir())
        return seedVc;
    return std::nullopt;
}

void setSearchPlacesOverride(const std::optional<SearchPlaces> &places) {
    placesOverride() = places;
}

} // namespace chorale::EnginePaths

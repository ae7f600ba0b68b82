// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUuid>

namespace chorale {

// Locations inside the data directory. The root is "Chorale" in the user's data folder
// ($XDG_DATA_HOME, normally ~/.local/share); the command-line tool can point it elsewhere.
namespace DataPaths {

QString root();
// Replaces the root for this process (an empty path restores the default).
void setRootOverride(const QString &path);

QString charactersFolder();
QString libraryFolder();
QString dialoguesFolder();
QString modelsFolder();
QString tmpFolder();
QString engineLog();
QString engineSocket();

QString characterFolder(const QUuid &characterId);
QString itemFolder(const QUuid &itemId);
QString originalFile(const QUuid &itemId);
QString convertedFile(const QUuid &itemId);
QString dialogueFolder(const QUuid &dialogueId);
QString dialogueClipsFolder(const QUuid &dialogueId);
QString dialogueClipFile(const QUuid &dialogueId, const QString &fileName);

} // namespace DataPaths
} // namespace chorale

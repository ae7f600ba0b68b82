// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/DataPaths.h"

#include "model/Identifiers.h"

#include <QStandardPaths>

namespace chorale::DataPaths {

namespace {
QString &rootOverride() {
    static QString path;
    return path;
}
} // namespace

QString root() {
    if (!rootOverride().isEmpty())
        return rootOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Chorale");
}

void setRootOverride(const QString &path) {
    rootOverride() = path;
}

QString charactersFolder() {
    return root() + QStringLiteral("/characters");
}
QString libraryFolder() {
    return root() + QStringLiteral("/library");
}
QString dialoguesFolder() {
    return root() + QStringLiteral("/dialogues");
}
QString modelsFolder() {
    return root() + QStringLiteral("/models");
}
QString tmpFolder() {
    return root() + QStringLiteral("/tmp");
}
QString engineLog() {
    return root() + QStringLiteral("/engine.log");
}
QString engineSocket() {
    return root() + QStringLiteral("/engine.sock");
}

QString characterFolder(const QUuid &characterId) {
    return charactersFolder() + u'/' + idText(characterId);
}

QString itemFolder(const QUuid &itemId) {
    return libraryFolder() + u'/' + idText(itemId);
}

QString originalFile(const QUuid &itemId) {
    return itemFolder(itemId) + QStringLiteral("/original.wav");
}

QString convertedFile(const QUuid &itemId) {
    return itemFolder(itemId) + QStringLiteral("/converted.wav");
}

QString dialogueFolder(const QUuid &dialogueId) {
    return dialoguesFolder() + u'/' + idText(dialogueId);
}

QString dialogueClipsFolder(const QUuid &dialogueId) {
    return dialogueFolder(dialogueId) + QStringLiteral("/clips");
}

QString dialogueClipFile(const QUuid &dialogueId, const QString &fileName) {
    return dialogueClipsFolder(dialogueId) + u'/' + fileName;
}

} // namespace chorale::DataPaths

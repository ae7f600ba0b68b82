// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/JsonOutput.h"

#include "model/DataPaths.h"
#include "model/RecordJson.h"

#include <QJsonArray>

namespace chorale::cli {

QJsonObject characterJson(const VoiceCharacter &character) {
    QJsonObject o = RecordJson::toJson(character);
    QJsonArray emotions;
    for (const auto &e : character.emotions) {
        QJsonObject eo = RecordJson::toJson(e);
        eo["path"] = DataPaths::characterFolder(character.id) + u'/' + e.fileName;
        emotions.append(eo);
    }
    o["emotions"] = emotions;
    return o;
}

QJsonObject itemJson(const LibraryItem &item) {
    QJsonObject o = RecordJson::toJson(item);
    o["displayTitle"] = item.displayTitle();
    o["original"] = DataPaths::originalFile(item.id);
    o["converted"] = item.hasConverted() ? QJsonValue(DataPaths::convertedFile(item.id))
                                         : QJsonValue(QJsonValue::Null);
    return o;
}

QJsonObject dialogueJson(const DialogueProject &project) {
    QJsonObject o = RecordJson::toJson(project);
    o["folder"] = DataPaths::dialogueFolder(project.id);
    QJsonArray clips;
    for (const DialogueClip &clip : project.clips) {
        QJsonObject co = RecordJson::toJson(clip);
        co["path"] = project.audioURL(clip);
        clips.append(co);
    }
    o["clips"] = clips;
    return o;
}

} // namespace chorale::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// Protects the on-disk JSON form of every record: exact keys, optional keys left out, sorted
// pretty output, strict dates, and refusal of records that could point outside their folder.
#include "model/RecordJson.h"

#include "model/Identifiers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace chorale;

namespace {

QDateTime at(const char *iso) {
    return *RecordJson::readDate(QString::fromLatin1(iso));
}

QJsonObject parse(const QByteArray &bytes) {
    return QJsonDocument::fromJson(bytes).object();
}

LibraryItem bareItem() {
    LibraryItem item;
    item.id = QUuid::createUuid();
    item.createdAt = at("2025-01-31T09:15:02Z");
    item.duration = 4.5;
    item.characterName = QStringLiteral("Unassigned");
    item.sourceDevice = QStringLiteral("Built-in Microphone");
    return item;
}

} // namespace

TEST(RecordJson, BareItemWritesExactlyFiveSortedKeys) {
    const QByteArray bytes = RecordJson::encode(bareItem());
    EXPECT_EQ(parse(bytes).keys(),
              (QStringList{"characterName", "createdAt", "duration", "id", "sourceDevice"}));
    // Pretty-printed, one member per line, keys in alphabetical order on disk.
    const QList<QByteArray> lines = bytes.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[1].trimmed().startsWith("\"characterName\""));
    EXPECT_TRUE(lines[5].trimmed().startsWith("\"sourceDevice\""));
    EXPECT_TRUE(bytes.contains("\"createdAt\": \"2025-01-31T09:15:02Z\""));
}

TEST(RecordJson, FullItemRoundTrips) {
    LibraryItem item = bareItem();
    item.characterId = QUuid::createUuid();
    item.characterName = QStringLiteral("Anna");
    item.emotionId = QUuid::createUuid();
    item.emotionName = QStringLiteral("Happy");
    item.convertedAt = at("2025-02-01T10:00:00Z");
    item.title = QStringLiteral("Hello there");
    const QByteArray bytes = RecordJson::encode(item);
    EXPECT_TRUE(bytes.contains(idText(item.id).toLatin1())) << "ids are upper-case";
    EXPECT_EQ(RecordJson::decode<LibraryItem>(bytes), item);
}

TEST(RecordJson, DatesKeepWholeSecondsOnly) {
    LibraryItem item = bareItem();
    item.createdAt = QDateTime::fromMSecsSinceEpoch(1738314902789, Qt::UTC);
    const auto back = RecordJson::decode<LibraryItem>(RecordJson::encode(item));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->createdAt.toMSecsSinceEpoch(), 1738314902000);
}

TEST(RecordJson, DateReaderIsStrict) {
    struct Case {
        const char *text;
        bool reads;
    };
    const Case cases[] = {
            {"2025-01-31T09:15:02Z", true},
            {"2025-01-31T10:15:02+01:00", true},
            {"2025-01-31T09:15:02.5Z", false},
            {"2025-01-31T09:15:02", false},
            {"2025-01-31 09:15:02Z", false},
            {"2025-13-31T09:15:02Z", false},
            {"", false},
            // Readable only when the UTC instant still has a four-digit year, so that what is
            // read can be written back and read again.
            {"9999-12-31T23:59:59Z", true},
            {"9999-12-31T23:59:59-01:00", false},
            {"0001-01-01T01:30:00+01:00", true},
            {"0001-01-01T00:30:00+01:00", false},
    };
    for (const auto &c : cases) {
        const auto date = RecordJson::readDate(QString::fromLatin1(c.text));
        EXPECT_EQ(date.has_value(), c.reads) << c.text;
        if (date) {
            EXPECT_EQ(RecordJson::readDate(RecordJson::writeDate(*date)), date) << c.text;
        }
    }
    EXPECT_EQ(at("2025-01-31T10:15:02+01:00"), at("2025-01-31T09:15:02Z"));
}

TEST(RecordJson, ItemReadingRules) {
    const QJsonObject good = RecordJson::toJson(bareItem());
    struct Case {
        const char *name;
        std::function<void(QJsonObject &)> edit;
        bool reads;
    };
    const Case cases[] = {
            {"unchanged", [](QJsonObject &) {}, true},
            {"missing sourceDevice", [](QJsonObject &o) { o.remove("sourceDevice"); }, false},
            {"missing duration", [](QJsonObject &o) { o.remove("duration"); }, false},
            {"duration as text", [](QJsonObject &o) { o["duration"] = "4"; }, false},
            {"fractional date", [](QJsonObject &o) { o["createdAt"] = "2025-01-31T09:15:02.120Z"; },
             false},
            {"bad id", [](QJsonObject &o) { o["id"] = "not-a-uuid"; }, false},
            {"null title", [](QJsonObject &o) { o["title"] = QJsonValue::Null; }, true},
            {"numeric title", [](QJsonObject &o) { o["title"] = 3; }, false},
            {"lower-case ids", [](QJsonObject &o) { o["id"] = o["id"].toString().toLower(); },
             true},
            {"unknown extra key", [](QJsonObject &o) { o["extra"] = true; }, true},
    };
    for (const auto &c : cases) {
        QJsonObject o = good;
        c.edit(o);
        EXPECT_EQ(RecordJson::itemFromJson(o).has_value(), c.reads) << c.name;
    }
    EXPECT_FALSE(RecordJson::decode<LibraryItem>("[1, 2]"));
    EXPECT_FALSE(RecordJson::decode<LibraryItem>("{\"id\": "));
}

TEST(RecordJson, CharacterWithoutEmotionsReadsEmptyAndWritesKey) {
    QJsonObject o{{"id", idText(QUuid::createUuid())},
                  {"name", "Old"},
                  {"createdAt", "2024-05-01T12:00:00Z"},
                  {"duration", 7.25}};
    const auto character = RecordJson::characterFromJson(o);
    ASSERT_TRUE(character);
    EXPECT_TRUE(character->emotions.isEmpty());
    EXPECT_TRUE(parse(RecordJson::encode(*character)).contains("emotions"));
}

TEST(RecordJson, UnsafeFileNamesMakeRecordsUnreadable) {
    const char *hostile[] = {"../../x.wav", "/etc/passwd", "", ".", "..", "a/b.wav", "a\\b.wav"};
    for (const char *name : hostile) {
        QJsonObject emotion{{"id", idText(QUuid::createUuid())},
                            {"name", "Neutral"},
                            {"duration", 5.0},
                            {"createdAt", "2024-05-01T12:00:00Z"},
                            {"fileName", QString::fromLatin1(name)}};
        QJsonObject character{{"id", idText(QUuid::createUuid())},
                              {"name", "X"},
                              {"createdAt", "2024-05-01T12:00:00Z"},
                              {"duration", 5.0},
                              {"emotions", QJsonArray{emotion}}};
        EXPECT_FALSE(RecordJson::characterFromJson(character)) << name;

        DialogueClip clip{QUuid::createUuid(), QUuid::createUuid(), 0, 0, 1, 1, "X", {}, "ok.wav"};
        QJsonObject clipJson = RecordJson::toJson(clip);
        clipJson["fileName"] = QString::fromLatin1(name);
        EXPECT_FALSE(RecordJson::clipFromJson(clipJson)) << name;
    }
    EXPECT_FALSE(RecordJson::emotionFromJson(
            QJsonObject{{"id", idText(QUuid::createUuid())},
                        {"name", "N"},
                        {"duration", 5.0},
                        {"createdAt", "2024-05-01T12:00:00Z"},
                        {"fileName", QStringLiteral("a") + QChar(0) + QStringLiteral("b")}}));
}

TEST(RecordJson, DialogueRoundTripsAndRequiresEveryKey) {
    DialogueProject p;
    p.id = QUuid::createUuid();
    p.name = QStringLiteral("Scene");
    p.createdAt = at("2025-01-01T00:00:00Z");
    p.updatedAt = at("2025-01-02T00:00:00Z");
    p.tracks = {{QUuid::createUuid(), QStringLiteral("Anna")}};
    p.clips = {{QUuid::createUuid(), p.tracks[0].id, 1.5, 0.25, 2.0, 3.0, QStringLiteral("Anna"),
                QUuid::createUuid(), QStringLiteral("clip.wav")},
               {QUuid::createUuid(), p.tracks[0].id, 5, 0, 1, 1, QStringLiteral("Anna"),
                std::nullopt, QStringLiteral("b.wav")}};
    p.refreshDuration();
    EXPECT_DOUBLE_EQ(p.duration, 6.0);
    EXPECT_EQ(RecordJson::decode<DialogueProject>(RecordJson::encode(p)), p);
    EXPECT_FALSE(RecordJson::toJson(p.clips[1]).contains("sourceItemId"));

    for (const char *key :
         {"id", "name", "createdAt", "updatedAt", "duration", "tracks", "clips"}) {
        QJsonObject o = RecordJson::toJson(p);
        o.remove(QLatin1String(key));
        EXPECT_FALSE(RecordJson::projectFromJson(o)) << key;
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/RecordJson.h"

#include "model/Identifiers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace chorale::RecordJson {

namespace {

// Reads keys of one object; the first failure makes the whole record unreadable.
class Reader {
public:
    explicit Reader(const QJsonObject &object)
        : m_object(object) {}

    bool ok() const { return m_ok; }

    QString string(const char *key) {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (!v.isString())
            return fail<QString>();
        return v.toString();
    }

    double number(const char *key) {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (!v.isDouble())
            return fail<double>();
        return v.toDouble();
    }

    QUuid id(const char *key) {
        const auto parsed = parseId(string(key));
        if (!parsed)
            return fail<QUuid>();
        return *parsed;
    }

    QDateTime date(const char *key) {
        const auto parsed = readDate(string(key));
        if (!parsed)
            return fail<QDateTime>();
        return *parsed;
    }

    // A file name that is joined to a folder path must stay inside that folder.
    QString fileName(const char *key) {
        QString name = string(key);
        if (!isPlainFileName(name))
            return fail<QString>();
        return name;
    }

    // Optional keys: missing or null read as absent; any other type is an error.
    bool present(const char *key) const {
        const QJsonValue v = m_object.value(QLatin1String(key));
        return !v.isUndefined() && !v.isNull();
    }

    std::optional<QString> optionalString(const char *key) {
        return present(key) ? std::optional(string(key)) : std::nullopt;
    }
    std::optional<QUuid> optionalId(const char *key) {
        return present(key) ? std::optional(id(key)) : std::nullopt;
    }
    std::optional<QDateTime> optionalDate(const char *key) {
        return present(key) ? std::optional(date(key)) : std::nullopt;
    }

    template <typename T, typename Decode>
    QList<T> array(const char *key, Decode decodeElement, bool required = true) {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (!required && (v.isUndefined() || v.isNull()))
            return {};
        if (!v.isArray())
            return fail<QList<T>>();
        QList<T> result;
        for (const QJsonValue &element : v.toArray()) {
            std::optional<T> decoded =
                    element.isObject() ? decodeElement(element.toObject()) : std::nullopt;
            if (!decoded)
                return fail<QList<T>>();
            result << std::move(*decoded);
        }
        return result;
    }

private:
    template <typename T>
    T fail() {
        m_ok = false;
        return T{};
    }

    const QJsonObject &m_object;
    bool m_ok = true;
};

template <typename T>
std::optional<T> finish(const Reader &reader, T &&value) {
    if (!reader.ok())
        return std::nullopt;
    return std::move(value);
}

} // namespace

QString writeDate(const QDateTime &date) {
    // Qt::ISODate leaves out milliseconds and writes "Z" for UTC.
    return date.toUTC().toString(Qt::ISODate);
}

QDateTime currentDate() {
    const qint64 ms = QDateTime::currentMSecsSinceEpoch();
    return QDateTime::fromMSecsSinceEpoch(ms - ms % 1000, Qt::UTC);
}

std::optional<QDateTime> readDate(const QString &text) {
    // Internet date-time with whole seconds and an explicit zone.
    static const QRegularExpression form(
            QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(Z|[+-]\d{2}:\d{2})$)"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid())
        return std::nullopt;
    // Dates are written back in UTC: one whose zone moves it out of the four-digit years
    // (9999-12-31T23:59:59-01:00) could never be read again, so it does not read now either.
    date = date.toUTC();
    if (date.date().year() < 1 || date.date().year() > 9999)
        return std::nullopt;
    return date;
}

QJsonObject toJson(const CharacterEmotion &e) {
    return {{"id", idText(e.id)},
            {"name", e.name},
            {"duration", e.duration},
            {"createdAt", writeDate(e.createdAt)},
            {"fileName", e.fileName}};
}

QJsonObject toJson(const VoiceCharacter &c) {
    QJsonArray emotions;
    for (const auto &e : c.emotions)
        emotions.append(toJson(e));
    return {{"id", idText(c.id)},
            {"name", c.name},
            {"createdAt", writeDate(c.createdAt)},
            {"duration", c.duration},
            {"emotions", emotions}};
}

QJsonObject toJson(const LibraryItem &item) {
    QJsonObject o{{"id", idText(item.id)},
                  {"createdAt", writeDate(item.createdAt)},
                  {"duration", item.duration},
                  {"characterName", item.characterName},
                  {"sourceDevice", item.sourceDevice}};
    if (item.characterId)
        o.insert("characterId", idText(*item.characterId));
    if (item.emotionId)
        o.insert("emotionId", idText(*item.emotionId));
    if (item.emotionName)
        o.insert("emotionName", *item.emotionName);
    if (item.convertedAt)
        o.insert("convertedAt", writeDate(*item.convertedAt));
    if (item.title)
        o.insert("title", *item.title);
    return o;
}

QJsonObject toJson(const DialogueTrack &t) {
    return {{"id", idText(t.id)}, {"name", t.name}};
}

QJsonObject toJson(const DialogueClip &c) {
    QJsonObject o{{"id", idText(c.id)},
                  {"trackId", idText(c.trackId)},
                  {"startTime", c.startTime},
                  {"trimStart", c.trimStart},
                  {"trimEnd", c.trimEnd},
                  {"sourceDuration", c.sourceDuration},
                  {"characterName", c.characterName},
                  {"fileName", c.fileName}};
    if (c.sourceItemId)
        o.insert("sourceItemId", idText(*c.sourceItemId));
    return o;
}

QJsonObject toJson(const DialogueProject &p) {
    QJsonArray tracks;
    for (const auto &t : p.tracks)
        tracks.append(toJson(t));
    QJsonArray clips;
    for (const auto &c : p.clips)
        clips.append(toJson(c));
    return {{"id", idText(p.id)},
            {"name", p.name},
            {"createdAt", writeDate(p.createdAt)},
            {"updatedAt", writeDate(p.updatedAt)},
            {"duration", p.duration},
            {"tracks", tracks},
            {"clips", clips}};
}

std::optional<CharacterEmotion> emotionFromJson(const QJsonObject &object) {
    Reader r(object);
    CharacterEmotion e{r.id("id"), r.string("name"), r.number("duration"), r.date("createdAt"),
                       r.fileName("fileName")};
    return finish(r, std::move(e));
}

std::optional<VoiceCharacter> characterFromJson(const QJsonObject &object) {
    Reader r(object);
    VoiceCharacter c{r.id("id"), r.string("name"), r.date("createdAt"), r.number("duration"),
                     r.array<CharacterEmotion>("emotions", emotionFromJson, false)};
    return finish(r, std::move(c));
}

std::optional<LibraryItem> itemFromJson(const QJsonObject &object) {
    Reader r(object);
    LibraryItem item;
    item.id = r.id("id");
    item.createdAt = r.date("createdAt");
    item.duration = r.number("duration");
    item.characterId = r.optionalId("characterId");
    item.characterName = r.string("characterName");
    item.emotionId = r.optionalId("emotionId");
    item.emotionName = r.optionalString("emotionName");
    item.sourceDevice = r.string("sourceDevice");
    item.convertedAt = r.optionalDate("convertedAt");
    item.title = r.optionalString("title");
    return finish(r, std::move(item));
}

std::optional<DialogueTrack> trackFromJson(const QJsonObject &object) {
    Reader r(object);
    DialogueTrack t{r.id("id"), r.string("name")};
    return finish(r, std::move(t));
}

std::optional<DialogueClip> clipFromJson(const QJsonObject &object) {
    Reader r(object);
    DialogueClip c;
    c.id = r.id("id");
    c.trackId = r.id("trackId");
    c.startTime = r.number("startTime");
    c.trimStart = r.number("trimStart");
    c.trimEnd = r.number("trimEnd");
    c.sourceDuration = r.number("sourceDuration");
    c.characterName = r.string("characterName");
    c.sourceItemId = r.optionalId("sourceItemId");
    c.fileName = r.fileName("fileName");
    return finish(r, std::move(c));
}

std::optional<DialogueProject> projectFromJson(const QJsonObject &object) {
    Reader r(object);
    DialogueProject p;
    p.id = r.id("id");
    p.name = r.string("name");
    p.createdAt = r.date("createdAt");
    p.updatedAt = r.date("updatedAt");
    p.duration = r.number("duration");
    p.tracks = r.array<DialogueTrack>("tracks", trackFromJson);
    p.clips = r.array<DialogueClip>("clips", clipFromJson);
    return finish(r, std::move(p));
}

template <typename Record>
QByteArray encode(const Record &record) {
    return QJsonDocument(toJson(record)).toJson(QJsonDocument::Indented);
}

namespace {
template <typename Record>
std::optional<Record> decodeWith(const QByteArray &bytes,
                                 std::optional<Record> (*fromJson)(const QJsonObject &)) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return fromJson(doc.object());
}
} // namespace

template <>
std::optional<VoiceCharacter> decode(const QByteArray &bytes) {
    return decodeWith(bytes, characterFromJson);
}
template <>
std::optional<LibraryItem> decode(const QByteArray &bytes) {
    return decodeWith(bytes, itemFromJson);
}
template <>
std::optional<DialogueProject> decode(const QByteArray &bytes) {
    return decodeWith(bytes, projectFromJson);
}

template QByteArray encode(const VoiceCharacter &);
template QByteArray encode(const LibraryItem &);
template QByteArray encode(const DialogueProject &);

} // namespace chorale::RecordJson

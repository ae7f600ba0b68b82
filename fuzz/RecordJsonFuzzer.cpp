// SPDX-License-Identifier: GPL-3.0-or-later
// Stored records from arbitrary meta.json bytes: decoding never crashes, and whatever decodes is
// written back in a form that decodes to the same record (otherwise a rename or a re-title would
// turn a readable record into one the next start skips).
#include "FuzzSupport.h"
#include "model/RecordJson.h"

#include <QJsonDocument>

using namespace chorale;

namespace {

template <typename Record>
void roundTrip(const QByteArray &input) {
    const std::optional<Record> record = RecordJson::decode<Record>(input);
    if (!record)
        return;
    const QByteArray written = RecordJson::encode(*record);
    const std::optional<Record> again = RecordJson::decode<Record>(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *record);
    FUZZ_CHECK(RecordJson::encode(*again) == written);
}

// The nested records have no file of their own; they are reached through an object.
template <typename Record>
void roundTripObject(const QJsonObject &object,
                     std::optional<Record> (*fromJson)(const QJsonObject &)) {
    const std::optional<Record> record = fromJson(object);
    if (!record)
        return;
    const std::optional<Record> again = fromJson(RecordJson::toJson(*record));
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *record);
}

void dates(const QByteArray &input) {
    const std::optional<QDateTime> date = RecordJson::readDate(QString::fromUtf8(input));
    if (!date)
        return;
    FUZZ_CHECK(date->isValid());
    const QString written = RecordJson::writeDate(*date);
    const std::optional<QDateTime> again = RecordJson::readDate(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *date);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = fuzz::bytes(data, size);
    roundTrip<VoiceCharacter>(input);
    roundTrip<LibraryItem>(input);
    roundTrip<DialogueProject>(input);

    const QJsonDocument document = QJsonDocument::fromJson(input);
    if (document.isObject()) {
        const QJsonObject object = document.object();
        roundTripObject<CharacterEmotion>(object, RecordJson::emotionFromJson);
        roundTripObject<DialogueTrack>(object, RecordJson::trackFromJson);
        roundTripObject<DialogueClip>(object, RecordJson::clipFromJson);
    }
    dates(input);
    return 0;
}

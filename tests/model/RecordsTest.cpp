// SPDX-License-Identifier: GPL-3.0-or-later
// Computed properties of the records that screens rely on.
#include "model/AppSection.h"
#include "model/ChoraleError.h"
#include "model/DataPaths.h"
#include "model/LibraryItem.h"
#include "model/VoiceCharacter.h"
#include "support/TestData.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace chorale;

TEST(VoiceCharacter, EmotionLookupFallsBackToFirst) {
    VoiceCharacter c;
    const CharacterEmotion a{QUuid::createUuid(), "Neutral", 5, {}, "a.wav"};
    const CharacterEmotion b{QUuid::createUuid(), "Happy", 6, {}, "b.wav"};
    c.emotions = {a, b};
    EXPECT_EQ(c.emotion(b.id)->name, "Happy");
    EXPECT_EQ(c.emotion(QUuid::createUuid())->name, "Neutral") << "stale id gives the first";
    EXPECT_EQ(c.emotion(std::nullopt)->name, "Neutral");
    EXPECT_FALSE(VoiceCharacter{}.emotion(a.id));
}

TEST(VoiceCharacter, EmotionSummary) {
    VoiceCharacter c;
    c.duration = 83.6;
    EXPECT_EQ(c.emotionSummary(), "1:24");
    c.emotions = {{QUuid::createUuid(), "Neutral", 5, {}, "a.wav"},
                  {QUuid::createUuid(), "", 5, {}, "b.wav"},
                  {QUuid::createUuid(), "Happy", 5, {}, "c.wav"}};
    EXPECT_EQ(c.emotionSummary(), "Neutral · Happy");
}

TEST(LibraryItem, LabelsAndTitles) {
    LibraryItem item;
    item.characterName = "Anna";
    item.emotionName = "   ";
    EXPECT_EQ(item.voiceLabel(), "Anna");
    item.emotionName = "Happy";
    EXPECT_EQ(item.voiceLabel(), "Anna  ·  Happy");
    EXPECT_EQ(item.displayTitle(), "Anna  ·  Happy");
    EXPECT_TRUE(item.needsTitle());
    item.title = " \n ";
    EXPECT_TRUE(item.needsTitle());
    EXPECT_EQ(item.displayTitle(), "Anna  ·  Happy");
    item.title = "  Good morning\n";
    EXPECT_FALSE(item.needsTitle());
    EXPECT_EQ(item.displayTitle(), "Good morning");
}

TEST(LibraryItem, HasConvertedAsksTheFileSystem) {
    test::TempDataRoot root;
    LibraryItem item;
    item.id = QUuid::createUuid();
    item.convertedAt = QDateTime::currentDateTimeUtc();
    EXPECT_FALSE(item.hasConverted()) << "a date alone is not a clone";
    test::writeAll(DataPaths::convertedFile(item.id), "x");
    EXPECT_TRUE(item.hasConverted());
    EXPECT_TRUE(DataPaths::convertedFile(item.id).contains(
            item.id.toString(QUuid::WithoutBraces).toUpper()));
}

TEST(ChoraleError, Messages) {
    EXPECT_EQ(ChoraleError::durationOutOfRange(2.35).message(),
              "Voice clips must be 3–30 seconds. This file is 2.4s.");
    EXPECT_EQ(ChoraleError::durationOutOfRange(30.04).message(),
              "Voice clips must be 3–30 seconds. This file is 30.0s.");
    EXPECT_EQ(ChoraleError::durationOutOfRange(45).message(),
              "Voice clips must be 3–30 seconds. This file is 45.0s.");
    EXPECT_EQ(ChoraleError::unreadableAudio().message(),
              "Could not read this audio file. Use WAV, FLAC, or MP3.");
    EXPECT_EQ(ChoraleError::missingCharacter().message(),
              "Choose a character and emotion before cloning.");
    EXPECT_EQ(ChoraleError::noClonedTakes().message(),
              "None of the selected takes have a clone yet.");
    EXPECT_EQ(ChoraleError::engineUnavailable("x").message(), "x");
    EXPECT_STREQ(ChoraleError::conversionFailed("Conversion failed.").what(), "Conversion failed.");
}

TEST(AppSection, OrderRawValuesAndTitles) {
    QStringList raws, titles;
    for (AppSection s : allAppSections()) {
        raws << rawValue(s);
        titles << title(s);
        EXPECT_EQ(appSectionFromRaw(rawValue(s)), s);
    }
    EXPECT_EQ(raws,
              (QStringList{"characters", "record", "prompt", "library", "dialogues", "settings"}));
    EXPECT_EQ(titles, (QStringList{"Characters", "Record", "Prompt", "Recordings", "Dialogues",
                                   "Settings"}));
    EXPECT_FALSE(appSectionFromRaw("Library"));
    EXPECT_EQ(label(LibrarySort::duration), "Length");
    EXPECT_EQ(librarySortFromRaw("character"), LibrarySort::character);
    EXPECT_FALSE(librarySortFromRaw("name"));
}

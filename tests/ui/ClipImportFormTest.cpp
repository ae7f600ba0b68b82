// SPDX-License-Identifier: GPL-3.0-or-later
// The add sheets' rules: which files are accepted, what is shown for them, when Add is enabled,
// and what adding does.
#include "ui/ClipImportForm.h"

#include "app/ChoraleApp.h"
#include "model/DataPaths.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class ClipImportFormTest : public ::testing::Test {
protected:
    ClipImportFormTest() {
        QCoro::waitFor(app.startUp());
        form.setApp(&app);
    }

    QUrl tone(const QString &name, double seconds) {
        return QUrl::fromLocalFile(writeTone(root.scratch(name), {.seconds = seconds}));
    }

    TempDataRoot root;
    ChoraleApp app;
    ClipImportForm form;
};

} // namespace

TEST_F(ClipImportFormTest, FileChecks) {
    struct Case {
        const char *file;
        double seconds;
        const char *error; // nullptr: accepted
        const char *durationText;
    };
    const Case cases[] = {
            {"voice.m4a", 5, "Use a WAV, FLAC, or MP3 file.", ""},
            {"LOUD.WAV", 5, nullptr, "0:05"},
            {"long.wav", 45, "Voice clips must be 3–30 seconds. This file is 45.0s.", "0:45"},
            {"short.flac", 2, "Voice clips must be 3–30 seconds. This file is 2.0s.", "0:02"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        form.reset();
        form.setName("Anna");
        form.choose(tone(c.file, c.seconds));
        EXPECT_EQ(form.dropError(), c.error ? QString::fromUtf8(c.error) : QString());
        EXPECT_EQ(form.durationText(), QString::fromLatin1(c.durationText));
        EXPECT_EQ(form.fileURL().isEmpty(), c.error != nullptr);
        EXPECT_EQ(form.canAdd(), c.error == nullptr);
        if (!c.error) {
            // The sheet works on a private copy in the data folder, named after no user input.
            const QString copy = form.fileURL();
            EXPECT_TRUE(copy.startsWith(DataPaths::tmpFolder() + "/import-")) << copy.toStdString();
            EXPECT_TRUE(copy.endsWith(".WAV"));
            EXPECT_EQ(form.chosenFileName(), QString::fromLatin1(c.file));
        }
    }
}

TEST_F(ClipImportFormTest, UnreadableFileIsExplained) {
    const QString text = root.scratch("notes.mp3");
    writeAll(text, "not audio");
    form.choose(QUrl::fromLocalFile(text));
    EXPECT_EQ(form.dropError(), "Could not read this audio file. Use WAV, FLAC, or MP3.");
    EXPECT_FALSE(form.canAdd());
}

TEST_F(ClipImportFormTest, NameFilledFromFileOnlyWhenEmpty) {
    form.choose(tone("Grandpa Joe.wav", 5));
    EXPECT_EQ(form.name(), "Grandpa Joe");
    form.setName("Joe");
    form.choose(tone("Other.wav", 5));
    EXPECT_EQ(form.name(), "Joe");
}

TEST_F(ClipImportFormTest, AddsCharacterAndClosesOnlyOnSuccess) {
    EXPECT_EQ(form.emotionName(), "Neutral");
    form.choose(tone("anna.wav", 5));
    ASSERT_TRUE(form.canAdd());
    form.setName("   ");
    EXPECT_FALSE(form.canAdd()) << "blank name";
    form.setName("Anna");
    EXPECT_TRUE(form.add());
    EXPECT_EQ(app.store()->characters().first().name, "Anna");
    EXPECT_EQ(app.store()->characters().first().emotions.first().name, "Neutral");

    // The working copy vanished before Add: the failure shows in the sheet, which stays open.
    form.choose(tone("bob.wav", 5));
    QFile::remove(form.fileURL());
    EXPECT_FALSE(form.add());
    EXPECT_FALSE(form.dropError().isEmpty());
}

TEST_F(ClipImportFormTest, EmotionSheetNeedsAnEmotionName) {
    const VoiceCharacter anna =
            app.store()->addCharacter("Anna", "", tone("a.wav", 4).toLocalFile());
    form.setCharacterId(anna.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(form.characterName(), "Anna");
    EXPECT_EQ(form.emotionName(), "");
    form.choose(tone("happy.wav", 6));
    EXPECT_FALSE(form.canAdd()) << "a valid file alone is not enough";
    form.setEmotionName("Happy");
    ASSERT_TRUE(form.canAdd());
    EXPECT_TRUE(form.add());
    EXPECT_EQ(app.store()->character(anna.id)->emotions.last().name, "Happy");
}

TEST(ClipImportFormFriendly, GenericPlatformErrorsBecomeTheReadableMessage) {
    EXPECT_EQ(ClipImportForm::friendly(
                      std::runtime_error("The operation couldn’t be completed. (error 0.)")),
              "Could not read this audio file. Use WAV, FLAC, or MP3.");
    EXPECT_EQ(ClipImportForm::friendly(std::runtime_error("Disk full")), "Disk full");
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The Dialogues screen over the real store, mixer and navigation: selection and the title,
// deletion, clip edits from the timeline, peaks, exports and the add-recording sheet.
#include "ui/DialoguesViewModel.h"

#include "app/AppNavigation.h"
#include "app/ChoraleApp.h"
#include "dialogue/DialogueMixer.h"
#include "model/AtomicFile.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "model/Preferences.h"
#include "model/RecordJson.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"
#include "ui/AddRecordingForm.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

const QDateTime longAgo(QDate(2020, 1, 2), QTime(3, 4, 5), Qt::UTC);

class DialoguesViewModelTest : public ::testing::Test {
protected:
    DialoguesViewModelTest() {
        // Two dialogues last changed long ago, so a new updatedAt is visible.
        first = seed("First");
        second = seed("Second");
        QCoro::waitFor(app.startUp());
        viewModel.setApp(&app);
    }

    QUuid seed(const QString &name) {
        DialogueProject d;
        d.id = QUuid::createUuid();
        d.name = name;
        d.createdAt = d.updatedAt = longAgo;
        QDir().mkpath(DataPaths::dialogueClipsFolder(d.id));
        AtomicFile::write(DataPaths::dialogueFolder(d.id) + "/meta.json", RecordJson::encode(d));
        return d.id;
    }

    DialogueProject stored(const QUuid &id) { return *app.store()->dialogue(id); }

    LibraryItem clonedTake(const QString &character, double seconds) {
        const QString file =
                writeTone(root.scratch(QUuid::createUuid().toString(QUuid::Id128) + ".wav"),
                          {.seconds = seconds});
        auto c = app.store()->addCharacter(character, "Calm",
                                           writeTone(root.scratch("ref.wav"), {.seconds = 4}));
        const LibraryItem item =
                app.store()->saveOriginalRecording(0, c, c.emotions.first(), "Mic", file);
        app.store()->attachConvertedAudio(item, file);
        return *app.store()->item(item.id);
    }

    TempDataRoot root;
    QUuid first;
    QUuid second;
    ChoraleApp app;
    DialoguesViewModel viewModel;
};

} // namespace

TEST_F(DialoguesViewModelTest, LeavingADialogueCommitsItsTitle) {
    viewModel.select(idText(first));
    EXPECT_EQ(viewModel.nameDraft(), "First");
    EXPECT_EQ(app.navigation()->openDialogueID(), first);

    // A title typed but not confirmed goes to the dialogue that is left.
    viewModel.setNameDraft("Opening scene");
    viewModel.select(idText(second));
    EXPECT_EQ(stored(first).name, "Opening scene");
    EXPECT_GT(stored(first).updatedAt, longAgo);
    EXPECT_EQ(viewModel.nameDraft(), "Second");
    EXPECT_EQ(stored(second).updatedAt, longAgo);

    // Leaving without touching the title still renames it to itself.
    viewModel.select(idText(first));
    EXPECT_EQ(stored(second).name, "Second");
    EXPECT_GT(stored(second).updatedAt, longAgo);

    // Return with a blank title.
    viewModel.setNameDraft("   ");
    viewModel.commitName();
    EXPECT_EQ(stored(first).name, "Untitled dialogue");
    EXPECT_EQ(viewModel.nameDraft(), "Untitled dialogue");

    // The rename sheet on the selected dialogue updates the field too.
    viewModel.renameDialogue(idText(first), " Finale ");
    EXPECT_EQ(viewModel.nameDraft(), "Finale");
    EXPECT_EQ(viewModel.dialogues()->get(viewModel.dialogues()->indexOf(idText(first)))["name"],
              "Finale");
}

TEST_F(DialoguesViewModelTest, OpeningFromTheLibrarySelectsAndRewinds) {
    viewModel.select(idText(first));
    app.mixer()->seek(5, stored(first));
    EXPECT_EQ(app.mixer()->currentTime(), 5);
    app.navigation()->showDialogue(second);
    EXPECT_EQ(viewModel.selectedId(), idText(second));
    EXPECT_EQ(app.mixer()->currentTime(), 0);

    // A new screen starts on the dialogue the navigation remembers.
    DialoguesViewModel next;
    next.setApp(&app);
    next.appeared();
    EXPECT_EQ(next.selectedId(), idText(second));
}

TEST_F(DialoguesViewModelTest, DeletingTheSelectedDialogueSelectsTheFirstRemaining) {
    viewModel.select(idText(first));
    viewModel.requestDelete(idText(first));
    viewModel.cancelDelete();
    EXPECT_TRUE(app.store()->dialogue(first));

    viewModel.requestDelete(idText(first));
    viewModel.confirmDelete();
    EXPECT_FALSE(app.store()->dialogue(first));
    EXPECT_FALSE(QFileInfo::exists(DataPaths::dialogueFolder(first)));
    EXPECT_EQ(viewModel.selectedId(), idText(second));
    // Deleted without a rename on the way out.
    EXPECT_EQ(stored(second).updatedAt, longAgo);

    viewModel.requestDelete(idText(second));
    viewModel.confirmDelete();
    EXPECT_FALSE(viewModel.hasSelection());
    EXPECT_EQ(viewModel.nameDraft(), "");
    EXPECT_EQ(viewModel.dialogues()->rowCount(), 0);

    viewModel.createProject();
    ASSERT_TRUE(viewModel.hasSelection());
    EXPECT_EQ(viewModel.nameDraft(), "Untitled dialogue");
}

TEST(DialogueExportName, ReplacesSeparatorsInNames) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    DialogueProject d;
    d.name = "a/b:c";
    d.updatedAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5), Qt::LocalTime).toUTC();
    EXPECT_EQ(DialoguesViewModel::exportFileName(d, std::nullopt),
              "Lyra-a-b-c-dialogue-3-4-26_9-05_AM.wav");
    EXPECT_EQ(DialoguesViewModel::exportFileName(d, QString("Anna:1")),
              "Lyra-a-b-c-Anna-1-3-4-26_9-05_AM.wav");
    QLocale::setDefault(QLocale::system());
}

TEST_F(DialoguesViewModelTest, TimelineEditsReachTheStore) {
    const LibraryItem anna = clonedTake("Anna", 1.0);
    const LibraryItem bob = clonedTake("Bob", 0.5);
    app.store()->addClips({anna, bob}, stored(first), false);
    viewModel.select(idText(first));
    ASSERT_TRUE(viewModel.hasClips());
    EXPECT_TRUE(viewModel.canPlay());
    TimelineEditor *timeline = viewModel.timeline();
    ASSERT_EQ(timeline->clips()->rowCount(), 2);

    // Peaks arrive in the background, one list per clip.
    QSignalSpy peaks(&viewModel, &DialoguesViewModel::peaksLoaded);
    while (viewModel.peaks().size() < 2)
        ASSERT_TRUE(peaks.wait(5000));
    EXPECT_EQ(viewModel.peaks().value(stored(first).clips[0].id).size(), 256);
    EXPECT_FALSE(timeline->clips()->get(0)["peaks"].toList().isEmpty());

    // Move Bob's clip (1–1.5 s) 40 points (0.5 s at 80 points per second) to the right.
    const QString bobClip = idText(stored(first).clips[1].id);
    timeline->moveClip(bobClip, 10, 0);
    timeline->finishMove(bobClip, 40, 0);
    EXPECT_DOUBLE_EQ(stored(first).clips[1].startTime, 1.5);
    EXPECT_DOUBLE_EQ(stored(first).duration, 2.0);

    // Seeking moves the mixer's playhead.
    timeline->seek(160);
    EXPECT_DOUBLE_EQ(app.mixer()->currentTime(), 2.0);

    // Delete removes the selected clip, but not while the title field has focus.
    EXPECT_EQ(timeline->selectedClipId(), bobClip);
    EXPECT_TRUE(viewModel.deleteClipEnabled());
    viewModel.setNameFocused(true);
    EXPECT_FALSE(viewModel.deleteClipEnabled());
    EXPECT_FALSE(viewModel.playShortcutEnabled());
    viewModel.setNameFocused(false);
    EXPECT_TRUE(timeline->deletePressed());
    EXPECT_EQ(stored(first).clips.size(), 1);
    EXPECT_TRUE(timeline->selectedClipId().isEmpty());
    EXPECT_FALSE(viewModel.deleteClipEnabled());
    EXPECT_FALSE(timeline->deletePressed());
    // The track stays, empty.
    EXPECT_EQ(stored(first).tracks.size(), 2);
}

TEST_F(DialoguesViewModelTest, ExportsTheMixAndReportsFailures) {
    const LibraryItem anna = clonedTake("Anna", 1.0);
    app.store()->addClips({anna}, stored(first), false);
    viewModel.select(idText(first));

    QSignalSpy panel(&viewModel, &DialoguesViewModel::savePanelRequested);
    viewModel.exportMix();
    ASSERT_EQ(panel.size(), 1);
    EXPECT_TRUE(panel[0][0].toString().startsWith("Lyra-First-dialogue-"));
    EXPECT_TRUE(panel[0][1].toString().isEmpty());
    const DialogueTrack track = stored(first).tracks.first();
    viewModel.exportTrack(idText(track.id));
    ASSERT_EQ(panel.size(), 2);
    EXPECT_TRUE(panel[1][0].toString().startsWith("Lyra-First-Anna-"));

    const QString out = root.scratch("mix");
    QSignalSpy state(&viewModel, &DialoguesViewModel::stateChanged);
    EXPECT_TRUE(QCoro::waitFor(viewModel.exportTask(out, std::nullopt)));
    EXPECT_GE(state.size(), 2); // bouncing on, then off
    EXPECT_FALSE(viewModel.bouncing());
    const AudioInfo written = readAudio(out + ".wav");
    EXPECT_EQ(written.sampleRate, 44100);
    EXPECT_EQ(written.channels, 2);
    EXPECT_TRUE(viewModel.errorMessage().isEmpty());

    EXPECT_FALSE(QCoro::waitFor(viewModel.exportTask("/nonexistent/folder/mix.wav", std::nullopt)));
    EXPECT_FALSE(viewModel.bouncing());
    EXPECT_FALSE(viewModel.errorMessage().isEmpty());
    viewModel.clearError();

    // A track whose clips are 10 ms or shorter offers no export.
    DialogueProject trimmed = stored(first);
    trimmed.clips[0].trimEnd = trimmed.clips[0].trimStart + 0.005;
    app.store()->updateDialogue(trimmed);
    viewModel.exportTrack(idText(track.id));
    EXPECT_EQ(panel.size(), 2);
}

TEST_F(DialoguesViewModelTest, ListPreferenceAndZoomLimits) {
    EXPECT_FALSE(viewModel.listCollapsed());
    viewModel.setListCollapsed(true);
    EXPECT_TRUE(openPreferences()->value("chl.dialoguesListCollapsed").toBool());
    DialoguesViewModel next;
    EXPECT_TRUE(next.listCollapsed());

    EXPECT_EQ(viewModel.pixelsPerSecond(), 80);
    viewModel.setPixelsPerSecond(500);
    EXPECT_EQ(viewModel.pixelsPerSecond(), 200);
    viewModel.setPixelsPerSecond(1);
    EXPECT_EQ(viewModel.pixelsPerSecond(), 40);
    EXPECT_EQ(viewModel.timeline()->pixelsPerSecond(), 40);
}

TEST_F(DialoguesViewModelTest, AddRecordingSheetSearchesClonedTakes) {
    AddRecordingForm form;
    form.setApp(&app);
    form.setProjectId(idText(first));
    EXPECT_EQ(form.recordings()->rowCount(), 0);
    EXPECT_EQ(form.emptyTitle(), "No cloned recordings");
    form.setQuery("  ");
    EXPECT_EQ(form.emptyTitle(), "No matches");
    form.setQuery("");

    const LibraryItem anna = clonedTake("Anna", 1.0);
    const LibraryItem bob = clonedTake("Bob", 1.0);
    const QString file = writeTone(root.scratch("plain.wav"), {.seconds = 1});
    app.store()->saveOriginalRecording(0, std::nullopt, std::nullopt, "Mic", file);
    EXPECT_EQ(form.recordings()->rowCount(), 2);
    form.setQuery("ANNA");
    ASSERT_EQ(form.recordings()->rowCount(), 1);
    EXPECT_EQ(form.recordings()->get(0)["itemId"].toString(), idText(anna.id));
    form.setQuery("   ");
    EXPECT_EQ(form.recordings()->rowCount(), 2);

    // One click: the take lands at the end of its character's track.
    EXPECT_TRUE(form.add(idText(anna.id)));
    EXPECT_TRUE(form.add(idText(anna.id)));
    EXPECT_TRUE(form.add(idText(bob.id)));
    const DialogueProject d = stored(first);
    ASSERT_EQ(d.clips.size(), 3);
    EXPECT_DOUBLE_EQ(d.clips[1].startTime, d.clips[0].endTime());
    EXPECT_DOUBLE_EQ(d.clips[2].startTime, 0);
    EXPECT_EQ(d.tracks.size(), 2);

    form.setProjectId(idText(QUuid::createUuid()));
    EXPECT_FALSE(form.add(idText(anna.id)));
    EXPECT_TRUE(form.errorMessage().isEmpty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The Recordings screen: search, filter and sort over the takes, the selection and its bulk
// actions, the add-to-dialogue sheet, "Save a copy…" and its proposed name.
#include "ui/LibraryViewModel.h"

#include "app/AppNavigation.h"
#include "app/ChoraleApp.h"
#include "model/DataPaths.h"
#include "model/Identifiers.h"
#include "store/DataStore.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"
#include "ui/AddToDialogueForm.h"
#include "ui/LibraryProxyModel.h"
#include "ui/LibraryTakeModel.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

// A take in memory only: enough for filtering and sorting.
struct Take {
    QString name; // identifies the take in expectations
    QString character;
    std::optional<QString> emotion;
    QString device;
    double duration = 1;
    int minutesAgo = 0;
    bool withCharacter = true;
};

const QUuid annaId = QUuid::createUuid();
const QUuid bobId = QUuid::createUuid();

QList<LibraryItem> makeItems(const QList<Take> &takes) {
    const QDateTime base(QDate(2026, 3, 4), QTime(12, 0), Qt::UTC);
    QList<LibraryItem> items;
    for (const Take &t : takes) {
        LibraryItem item;
        item.id = QUuid::createUuid();
        item.title = t.name;
        item.characterName = t.character;
        if (t.withCharacter)
            item.characterId =
                    t.character.compare("anna", Qt::CaseInsensitive) == 0 ? annaId : bobId;
        item.emotionName = t.emotion;
        item.sourceDevice = t.device;
        item.duration = t.duration;
        item.createdAt = base.addSecs(-60 * t.minutesAgo);
        items << item;
    }
    return items;
}

QStringList shown(const LibraryProxyModel &proxy) {
    QStringList names;
    for (int row = 0; row < proxy.count(); ++row)
        names << proxy.itemAt(row).title.value_or(QString());
    return names;
}

// Store order is newest first, as the store keeps it.
const QList<Take> library = {
        {"t1", "Anna", "Calm", "USB Microphone", 3.0, 0, true},
        {"t2", "Bob", std::nullopt, "Built-in Microphone", 5.0, 10, true},
        {"t3", "anna", "Angry", "Prompt", 3.0, 20, true},
        {"t4", "Unassigned", std::nullopt, "usb headset", 2.0, 30, false},
        {"t5", "Émile", std::nullopt, "File", 5.0, 40, false},
};

struct FilterCase {
    const char *label;
    QString query;
    std::optional<QUuid> character;
    LibrarySort sort;
    QStringList expected;
};

} // namespace

TEST(LibraryProxyModel, FiltersSearchesAndSorts) {
    const QList<FilterCase> cases = {
            {"everything newest first",
             "",
             std::nullopt,
             LibrarySort::date,
             {"t1", "t2", "t3", "t4", "t5"}},
            {"device in any letter case", "usb", std::nullopt, LibrarySort::date, {"t1", "t4"}},
            {"only spaces show everything",
             "   \n",
             std::nullopt,
             LibrarySort::date,
             {"t1", "t2", "t3", "t4", "t5"}},
            {"trimmed and lower-cased", "  ANGRY ", std::nullopt, LibrarySort::date, {"t3"}},
            {"character name", "émile", std::nullopt, LibrarySort::date, {"t5"}},
            {"title", "T2", std::nullopt, LibrarySort::date, {"t2"}},
            {"no match", "zither", std::nullopt, LibrarySort::date, {}},
            {"character filter hides takes without one",
             "",
             annaId,
             LibrarySort::date,
             {"t1", "t3"}},
            {"filter and search together", "calm", annaId, LibrarySort::date, {"t1"}},
            {"length: longest first, equal lengths keep newest first",
             "",
             std::nullopt,
             LibrarySort::duration,
             {"t2", "t5", "t1", "t3", "t4"}},
            {"character: locale order ignoring case, ties in store order",
             "",
             std::nullopt,
             LibrarySort::character,
             {"t1", "t3", "t2", "t5", "t4"}},
    };
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    LibraryTakeModel takes;
    takes.setCloneCheck([](const LibraryItem &) { return false; });
    takes.setItems(makeItems(library));
    QLocale::setDefault(QLocale::system());
    LibraryProxyModel proxy;
    proxy.setTakes(&takes);
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const FilterCase &c : cases) {
        SCOPED_TRACE(c.label);
        proxy.setQuery(c.query);
        proxy.setCharacterFilter(c.character);
        proxy.setSort(c.sort);
        EXPECT_EQ(shown(proxy), c.expected);
    }
}

TEST(LibraryProxyModel, FollowsTakesAddedAndRetitledInPlace) {
    LibraryTakeModel takes;
    takes.setCloneCheck([](const LibraryItem &) { return false; });
    QList<LibraryItem> items = makeItems(library);
    takes.setItems(items);
    LibraryProxyModel proxy;
    proxy.setTakes(&takes);
    proxy.setSort(LibrarySort::duration);
    proxy.setQuery("usb");
    QAbstractItemModelTester tester(&takes, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&takes, &QAbstractItemModel::modelReset);
    QSignalSpy changes(&takes, &QAbstractItemModel::dataChanged);

    // A title from the namer: one row changes, nothing is rebuilt, the search sees the title.
    items[1].title = "usb story";
    takes.setItems(items);
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(shown(proxy), (QStringList{"usb story", "t1", "t4"}));

    // A new take (first in store order) and a deleted one.
    QList<LibraryItem> fresh = makeItems({{"t0", "Anna", std::nullopt, "USB", 9.0, -1, true}});
    items.prepend(fresh.first());
    items.removeAt(4); // t4
    takes.setItems(items);
    EXPECT_EQ(resets.size(), 0);
    EXPECT_EQ(shown(proxy), (QStringList{"t0", "usb story", "t1"}));
}

namespace {

class LibraryViewModelTest : public ::testing::Test {
protected:
    LibraryViewModelTest() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCoro::waitFor(app.startUp());
        viewModel.setApp(&app);
        anna = app.store()->addCharacter("Anna", "Calm", tone("anna.wav", 4));
    }
    ~LibraryViewModelTest() override { QLocale::setDefault(QLocale::system()); }

    QString tone(const QString &name, double seconds) {
        return writeTone(root.scratch(name), {.seconds = seconds});
    }

    LibraryItem take(const QString &device, bool cloned, double seconds = 1) {
        const QString file = tone(QUuid::createUuid().toString(QUuid::Id128) + ".wav", seconds);
        LibraryItem item =
                app.store()->saveOriginalRecording(0, anna, anna.emotions.first(), device, file);
        if (cloned)
            app.store()->attachConvertedAudio(item, file);
        return *app.store()->item(item.id);
    }

    TempDataRoot root;
    ChoraleApp app;
    LibraryViewModel viewModel;
    VoiceCharacter anna;
};

} // namespace

TEST_F(LibraryViewModelTest, EmptyStatesAndBulkSelection) {
    EXPECT_EQ(viewModel.contentState(), "empty");
    viewModel.setQuery("anything");
    EXPECT_EQ(viewModel.contentState(), "empty");

    const LibraryItem usbClone = take("USB Mic", true);
    const LibraryItem plain = take("Built-in", false);
    const LibraryItem hidden = take("Built-in", false);
    viewModel.setQuery("");
    EXPECT_EQ(viewModel.contentState(), "list");
    EXPECT_FALSE(viewModel.showsDeleteSelected());

    viewModel.setSelected(idText(usbClone.id), true);
    viewModel.setSelected(idText(hidden.id), true);
    viewModel.setQuery("usb");
    EXPECT_EQ(viewModel.takes()->count(), 1);
    // The selection outlives the filter: the hidden take still counts, in store order.
    EXPECT_EQ(viewModel.selectedCount(), 2);
    EXPECT_EQ(viewModel.selectedTakeIds(), (QStringList{idText(hidden.id), idText(usbClone.id)}));
    EXPECT_EQ(viewModel.selectedClonedCount(), 1);
    EXPECT_TRUE(viewModel.showsAddToDialogue());
    EXPECT_EQ(viewModel.bulkDeleteMessage(), "2 recordings will be removed.");
    viewModel.setSelected(idText(usbClone.id), false);
    EXPECT_EQ(viewModel.bulkDeleteMessage(), "1 recording will be removed.");
    EXPECT_FALSE(viewModel.showsAddToDialogue());
    viewModel.setSelected(idText(usbClone.id), true);

    viewModel.setQuery("zither");
    EXPECT_EQ(viewModel.contentState(), "noMatches");

    viewModel.deleteSelected();
    EXPECT_EQ(viewModel.selectedCount(), 0);
    EXPECT_FALSE(app.store()->item(hidden.id));
    EXPECT_FALSE(app.store()->item(usbClone.id));
    EXPECT_TRUE(app.store()->item(plain.id));
}

TEST_F(LibraryViewModelTest, SingleDeleteAsksFirstAndUnticksTheTake) {
    const LibraryItem item = take("Mic", false);
    viewModel.setSelected(idText(item.id), true);
    viewModel.requestDelete(idText(item.id));
    EXPECT_EQ(viewModel.confirmDeleteId(), idText(item.id));
    viewModel.cancelDelete();
    EXPECT_TRUE(app.store()->item(item.id));
    viewModel.requestDelete(idText(item.id));
    viewModel.confirmDelete();
    EXPECT_FALSE(app.store()->item(item.id));
    EXPECT_EQ(viewModel.selectedCount(), 0);
    EXPECT_TRUE(viewModel.confirmDeleteId().isEmpty());
}

TEST_F(LibraryViewModelTest, PromptTakesHaveNoOriginalButton) {
    const LibraryItem prompt = take("Prompt", true);
    const LibraryItem recorded = take("Mic", true);
    const auto showOriginal = [&](const LibraryItem &item) {
        for (int row = 0; row < viewModel.takes()->count(); ++row) {
            const QModelIndex index = viewModel.takes()->index(row, 0);
            if (index.data(LibraryTakeModel::ItemIdRole).toString() == idText(item.id))
                return index.data(LibraryTakeModel::ShowOriginalRole).toBool();
        }
        ADD_FAILURE() << "take not listed";
        return true;
    };
    EXPECT_FALSE(showOriginal(prompt));
    EXPECT_TRUE(showOriginal(recorded));
}

TEST_F(LibraryViewModelTest, AddToDialogueCountsAndCreatesTheDialogue) {
    const LibraryItem cloned = take("Mic", true, 2);
    const LibraryItem plain = take("Mic", false);
    AddToDialogueForm form;
    form.setApp(&app);

    struct Count {
        QList<LibraryItem> items;
        QString cloned;
        QString skipped;
    };
    const LibraryItem second = take("Mic", true, 1);
    const LibraryItem third = take("Mic", false);
    const QList<Count> counts = {
            {{cloned, plain},
             "1 cloned take will be copied into the project.",
             "1 take have no clone and will be skipped."},
            {{cloned, second}, "2 cloned takes will be copied into the project.", ""},
            {{cloned, plain, third},
             "1 cloned take will be copied into the project.",
             "2 takes have no clone and will be skipped."},
            {{plain},
             "0 cloned takes will be copied into the project.",
             "1 take have no clone and will be skipped."},
    };
    for (const Count &c : counts) {
        QStringList ids;
        for (const LibraryItem &i : c.items)
            ids << idText(i.id);
        form.reset(ids);
        EXPECT_EQ(form.clonedText(), c.cloned);
        EXPECT_EQ(form.skippedText(), c.skipped);
        EXPECT_EQ(form.canCreate(), !c.cloned.startsWith('0'));
    }

    form.reset({idText(cloned.id), idText(plain.id)});
    EXPECT_EQ(form.newName(), "Untitled dialogue");
    form.setNewName("  Scene one ");
    const QString created = form.addToNew();
    ASSERT_FALSE(created.isEmpty());
    const auto dialogue = app.store()->dialogue(parseId(created));
    ASSERT_TRUE(dialogue);
    EXPECT_EQ(dialogue->name, "Scene one");
    EXPECT_EQ(dialogue->clips.size(), 1);
    EXPECT_EQ(form.dialogues()->rowCount(), 1);

    // Adding to the existing dialogue appends after what is there.
    form.reset({idText(second.id)});
    EXPECT_EQ(form.addTo(created), created);
    const auto grown = app.store()->dialogue(parseId(created));
    ASSERT_EQ(grown->clips.size(), 2);
    EXPECT_NEAR(grown->clips[1].startTime, grown->clips[0].endTime(), 1e-9);

    // Opening it clears the ticks and asks the Dialogues screen for it.
    viewModel.setSelected(idText(cloned.id), true);
    viewModel.openDialogue(created);
    EXPECT_EQ(viewModel.selectedCount(), 0);
    EXPECT_EQ(app.navigation()->openDialogueID(), parseId(created));
    EXPECT_EQ(app.navigation()->section(), AppSection::dialogues);
}

TEST_F(LibraryViewModelTest, FailedAddKeepsTheNewEmptyDialogueAndTheSheet) {
    const LibraryItem broken = take("Mic", false);
    // A clone "file" that exists but cannot be copied.
    ASSERT_TRUE(QDir().mkpath(DataPaths::convertedFile(broken.id)));
    AddToDialogueForm form;
    form.setApp(&app);
    form.reset({idText(broken.id)});
    ASSERT_TRUE(form.canCreate());
    EXPECT_TRUE(form.addToNew().isEmpty());
    EXPECT_FALSE(form.errorMessage().isEmpty());
    ASSERT_EQ(app.store()->dialogues().size(), 1);
    EXPECT_TRUE(app.store()->dialogues().first().clips.isEmpty());
    form.clearError();
    EXPECT_TRUE(form.errorMessage().isEmpty());
}

TEST(LibraryDefaultFilename, NamesCharacterKindAndLocalDate) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    LibraryItem item;
    item.characterName = "Anna/Bo:b";
    item.createdAt = QDateTime(QDate(2026, 3, 4), QTime(9, 5), Qt::LocalTime).toUTC();
    const QString stamp = QLocale().toString(item.createdAt.toLocalTime(), QLocale::ShortFormat);
    // US English writes "3/4/26 9:05 AM" (some Qt versions with a narrow no-break space).
    ASSERT_TRUE(stamp.startsWith("3/4/26 9:05")) << stamp.toStdString();
    EXPECT_EQ(LibraryViewModel::defaultFilename(item, true),
              "Lyra-Anna-Bo-b-clone-3-4-26_9-05_AM.wav");
    EXPECT_EQ(LibraryViewModel::defaultFilename(item, false),
              "Lyra-Anna-Bo-b-original-3-4-26_9-05_AM.wav");
    QLocale::setDefault(QLocale::system());
}

TEST_F(LibraryViewModelTest, SaveACopyReplacesAndNeverLosesTheOldFile) {
    const LibraryItem cloned = take("Mic", true, 2);
    const QString destination = root.scratch("copy.wav");
    writeAll(destination, "old file");

    EXPECT_TRUE(QCoro::waitFor(viewModel.saveCopyTask(cloned.id, destination)));
    EXPECT_EQ(readAll(destination), readAll(DataPaths::convertedFile(cloned.id)));

    // A name without the extension gets it.
    EXPECT_TRUE(QCoro::waitFor(viewModel.saveCopyTask(cloned.id, root.scratch("bare"))));
    EXPECT_TRUE(QFile::exists(root.scratch("bare.wav")));

    // A copy that fails (the take's audio is gone) leaves the file that was there.
    writeAll(destination, "old file");
    QDir(DataPaths::itemFolder(cloned.id)).removeRecursively();
    EXPECT_FALSE(QCoro::waitFor(viewModel.saveCopyTask(cloned.id, destination)));
    EXPECT_EQ(readAll(destination), "old file");
    EXPECT_EQ(QDir(root.scratch("")).entryList(QDir::Files | QDir::Hidden).filter(".tmp"),
              QStringList());
}

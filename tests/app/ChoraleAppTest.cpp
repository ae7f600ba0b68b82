// SPDX-License-Identifier: GPL-3.0-or-later
// The composition root: nothing touched at creation, the start-up load, and the donation
// counter with its thresholds.
#include "app/ChoraleApp.h"

#include "model/DataPaths.h"
#include "model/Preferences.h"
#include "store/DataStore.h"
#include "support/TestData.h"

#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;

namespace {

// One run of the app up to the end of its start-up task.
void launch(ChoraleApp &app) {
    QCoro::waitFor(app.startUp());
}

} // namespace

TEST(ChoraleApp, CreatingTouchesNoFile) {
    test::TempDataRoot root;
    ChoraleApp app;
    EXPECT_FALSE(QFileInfo::exists(root.path()));
    EXPECT_TRUE(app.store()->characters().isEmpty());
    launch(app);
    EXPECT_TRUE(QFileInfo(DataPaths::charactersFolder()).isDir());
    EXPECT_TRUE(app.loaded());
}

TEST(ChoraleApp, DonationRequestOnThirdTenthAndTwentiethStart) {
    test::TempDataRoot root;
    QList<int> prompted;
    for (int start = 1; start <= 21; ++start) {
        ChoraleApp app;
        launch(app);
        EXPECT_EQ(app.launchCount(), start);
        if (app.showDonationPrompt()) {
            prompted << start;
            app.donateLater();
            EXPECT_FALSE(app.showDonationPrompt());
        }
    }
    EXPECT_EQ(prompted, (QList<int>{3, 10, 20}));
}

TEST(ChoraleApp, AlreadyDonatedStopsTheCounterForGood) {
    test::TempDataRoot root;
    openPreferences()->setValue(ChoraleApp::launchCountKey, 2);
    {
        ChoraleApp app;
        launch(app);
        ASSERT_TRUE(app.showDonationPrompt());
        app.alreadyDonated();
        EXPECT_FALSE(app.showDonationPrompt());
        EXPECT_TRUE(app.hasDonated());
    }
    for (int i = 0; i < 20; ++i) {
        ChoraleApp app;
        launch(app);
        EXPECT_FALSE(app.showDonationPrompt());
        EXPECT_EQ(app.launchCount(), 3);
    }
    EXPECT_EQ(openPreferences()->value(ChoraleApp::launchCountKey).toInt(), 3);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The cleanup toggles: defaults, tolerance of foreign stored values, and the write on every
// assignment.
#include "clone/CleanupSettings.h"

#include "model/Preferences.h"
#include "support/TestData.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;
using namespace chorale::test;

namespace {

class CleanupSettingsTest : public ::testing::Test {
protected:
    TempDataRoot root; // also clears the preferences
};

} // namespace

TEST_F(CleanupSettingsTest, AbsentOrForeignValuesReadAsOn) {
    openPreferences()->setValue(CleanupSettings::enhanceClarityKey, QStringLiteral("maybe"));
    openPreferences()->setValue(CleanupSettings::normalizeVolumeKey, 0);
    const CleanupSettings settings;
    EXPECT_EQ(settings.options(), (CleanupOptions{true, true, true}));
}

TEST_F(CleanupSettingsTest, StoredBooleansAreReadBack) {
    {
        CleanupSettings settings;
        settings.setReduceNoise(false);
        settings.setNormalizeVolume(false);
    }
    const CleanupSettings reopened;
    EXPECT_EQ(reopened.options(), (CleanupOptions{false, true, false}));
    EXPECT_FALSE(reopened.options().reduceNoise);
    EXPECT_TRUE(reopened.options().any());
}

TEST_F(CleanupSettingsTest, EveryAssignmentIsWrittenButOnlyChangesNotify) {
    CleanupSettings settings;
    QSignalSpy spy(&settings, &CleanupSettings::enhanceClarityChanged);
    settings.setEnhanceClarity(true); // unchanged
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(openPreferences()->value(CleanupSettings::enhanceClarityKey).toString(),
              QStringLiteral("true"));
    settings.setEnhanceClarity(false);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_FALSE(settings.enhanceClarity());
    EXPECT_EQ(openPreferences()->value(CleanupSettings::enhanceClarityKey).toString(),
              QStringLiteral("false"));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppNavigation.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace chorale;

TEST(AppNavigation, AssigningTheSameValueNotifiesNobody) {
    AppNavigation nav;
    QSignalSpy section(&nav, &AppNavigation::sectionChanged);
    QSignalSpy dialogue(&nav, &AppNavigation::openDialogueIDChanged);
    EXPECT_EQ(nav.section(), AppSection::characters);
    nav.setSection(AppSection::characters);
    nav.setSectionName("nonsense");
    EXPECT_EQ(section.count(), 0);
    nav.setSectionName("library");
    EXPECT_EQ(nav.section(), AppSection::library);
    EXPECT_EQ(section.count(), 1);
    nav.setOpenDialogueID(std::nullopt);
    EXPECT_EQ(dialogue.count(), 0);
}

TEST(AppNavigation, ShowDialogueSwitchesOnlyWhenNeeded) {
    AppNavigation nav;
    QSignalSpy section(&nav, &AppNavigation::sectionChanged);
    const QUuid first = QUuid::createUuid();
    nav.showDialogue(first);
    EXPECT_EQ(nav.section(), AppSection::dialogues);
    EXPECT_EQ(nav.openDialogueID(), first);
    EXPECT_EQ(section.count(), 1);

    const QUuid second = QUuid::createUuid();
    nav.showDialogue(second);
    EXPECT_EQ(section.count(), 1) << "already on Dialogues: only the id changes";
    EXPECT_EQ(nav.openDialogueID(), second);
}

TEST(AppNavigation, SectionsInSidebarOrder) {
    QStringList raws;
    for (const QVariant &s : AppNavigation::sections())
        raws << s.toMap().value("raw").toString();
    EXPECT_EQ(raws,
              (QStringList{"characters", "record", "prompt", "library", "dialogues", "settings"}));
}

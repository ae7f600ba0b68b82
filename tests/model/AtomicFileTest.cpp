// SPDX-License-Identifier: GPL-3.0-or-later
// Crash-safe replacement: the old file survives any failure and no temporary file is left.
#include "model/AtomicFile.h"

#include "model/ChoraleError.h"
#include "support/TestData.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace chorale;

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaries) {
    test::TempDataRoot root;
    const QString path = root.scratch("meta.json");
    test::writeAll(path, "old");
    AtomicFile::write(path, "new");
    EXPECT_EQ(test::readAll(path), "new");
    EXPECT_EQ(QDir(root.scratch("")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"meta.json"});
}

TEST(AtomicFile, FailedProducerKeepsOldFile) {
    test::TempDataRoot root;
    const QString path = root.scratch("mix.wav");
    test::writeAll(path, "previous export");
    EXPECT_THROW(AtomicFile::replace(path,
                                     [](const QString &temp) {
                                         test::writeAll(temp, "half");
                                         throw ChoraleError::unreadableAudio();
                                     }),
                 ChoraleError);
    EXPECT_EQ(test::readAll(path), "previous export");
    EXPECT_EQ(QDir(root.scratch("")).entryList(QDir::Files | QDir::Hidden), QStringList{"mix.wav"});
}

TEST(AtomicFile, MissingFolderIsAnError) {
    test::TempDataRoot root;
    EXPECT_THROW(AtomicFile::write(root.scratch("no/such/folder/meta.json"), "x"), ChoraleError);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The app-wide file player against the audio server's (null) output: one file at a time, toggling,
// the end of a file, and files it cannot play.
#include "audio/AudioPlayer.h"

#include "LiveAudio.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace chorale {
namespace {

// The null sink consumes its first ~2 s in one block, so even short files take a while to end.
constexpr int endTimeoutMs = 15000;

class AudioPlayerTest : public ::testing::Test {
protected:
    QString tone(const QString &name, double seconds, int rate = 44100, int channels = 1) {
        return test::writeTone(root.scratch(name), {.seconds = seconds,
                                                    .sampleRate = rate,
                                                    .channels = channels,
                                                    .frequency = 330.0,
                                                    .amplitude = 0.2});
    }

    test::TempDataRoot root;
};

TEST_F(AudioPlayerTest, ToggleTwicePlaysThenStopsAndAThirdTimePlaysAgain) {
    CHORALE_REQUIRE_AUDIO(false);
    const QString file = tone("a.wav", 20);
    AudioPlayer player;
    QSignalSpy changes(&player, &AudioPlayer::playingURLChanged);

    player.toggle(file);
    EXPECT_EQ(player.playingURL(), file);
    EXPECT_TRUE(player.isPlaying(file));
    player.toggle(file);
    EXPECT_EQ(player.playingURL(), QString());
    EXPECT_FALSE(player.isPlaying(file));
    player.toggle(file);
    EXPECT_TRUE(player.isPlaying(file));
    EXPECT_EQ(changes.count(), 3);
    player.stop();
    EXPECT_FALSE(player.isPlaying(file));
    EXPECT_EQ(changes.count(), 4);
}

TEST_F(AudioPlayerTest, StartingBStopsA) {
    CHORALE_REQUIRE_AUDIO(false);
    const QString a = tone("a.wav", 20);
    const QString b = tone("b.wav", 20, 48000, 2);
    AudioPlayer player;
    player.toggle(a);
    ASSERT_TRUE(player.isPlaying(a));
    player.toggle(b);
    EXPECT_FALSE(player.isPlaying(a)) << "at once";
    EXPECT_TRUE(player.isPlaying(b));
    EXPECT_EQ(player.playingURL(), b);
}

TEST_F(AudioPlayerTest, TheEndOfTheFileClearsPlayingURL) {
    CHORALE_REQUIRE_AUDIO(false);
    const double seconds = 0.4;
    const QString file = tone("short.wav", seconds, 22050);
    AudioPlayer player;
    QElapsedTimer clock;
    clock.start();
    player.toggle(file);
    ASSERT_TRUE(player.isPlaying(file));
    ASSERT_TRUE(test::waitUntil([&] { return player.playingURL().isEmpty(); }, endTimeoutMs));
    EXPECT_GE(clock.elapsed(), qint64(seconds * 1000)) << "not before the file could be heard";
    EXPECT_FALSE(player.isPlaying(file));

    // Toggling the finished file plays it again rather than stopping it.
    player.toggle(file);
    EXPECT_TRUE(player.isPlaying(file));
    EXPECT_EQ(player.playingURL(), file);
}

TEST_F(AudioPlayerTest, AFileItCannotReadPlaysNothing) {
    CHORALE_REQUIRE_AUDIO(false);
    const QString playing = tone("a.wav", 20);
    const QString garbage = root.scratch("garbage.wav");
    test::writeAll(garbage, QByteArray(2000, 'x'));
    for (const QString &bad : {root.scratch("missing.wav"), garbage}) {
        AudioPlayer player;
        player.toggle(playing);
        ASSERT_TRUE(player.isPlaying(playing));
        player.toggle(bad);
        EXPECT_FALSE(player.isPlaying(playing)) << "what was playing has stopped";
        EXPECT_FALSE(player.isPlaying(bad));
        EXPECT_EQ(player.playingURL(), QString());
    }
}

TEST_F(AudioPlayerTest, AcceptsFileURLs) {
    CHORALE_REQUIRE_AUDIO(false);
    const QString file = tone("a.wav", 5);
    const QString url = QUrl::fromLocalFile(file).toString();
    AudioPlayer player;
    player.toggle(url);
    EXPECT_TRUE(player.isPlaying(url));
    EXPECT_EQ(player.playingURL(), url);
}

} // namespace
} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
// The shared output path: the render callback runs on the audio thread, the end of the stream is
// signalled once after the last frame has been played, and stop() silences a pending end.
#include "audio/AudioOutputStream.h"

#include "LiveAudio.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace chorale {
namespace {

TEST(AudioOutputStream, PlaysEveryRenderedFrameThenFinishesOnce) {
    CHORALE_REQUIRE_AUDIO(false);
    const QAudioFormat format = AudioOutputStream::defaultFormat();
    ASSERT_TRUE(format.isValid());
    ASSERT_EQ(format.sampleFormat(), QAudioFormat::Float);
    const qint64 total = format.sampleRate() / 2; // half a second

    std::atomic<qint64> rendered = 0;
    std::atomic<bool> onMainThread = false;
    QThread *const mainThread = QThread::currentThread();
    AudioOutputStream stream;
    QSignalSpy finished(&stream, &AudioOutputStream::finished);
    QElapsedTimer clock;
    clock.start();
    const bool started = stream.start(format, [&](float *out, qint64 frames) {
        onMainThread = onMainThread || QThread::currentThread() == mainThread;
        const qint64 n = std::min(frames, total - rendered);
        for (qint64 i = 0; i < n * format.channelCount(); ++i)
            out[i] = 0.1f;
        rendered += n;
        return n;
    });
    ASSERT_TRUE(started);
    EXPECT_TRUE(stream.isPlaying());
    ASSERT_TRUE(test::waitUntil([&] { return finished.count() > 0; }, 15000));
    EXPECT_GE(clock.elapsed(), 500) << "finished only after the last frame could be heard";
    EXPECT_EQ(rendered, total);
    EXPECT_FALSE(onMainThread) << "the callback runs on the audio thread";
    EXPECT_FALSE(stream.isPlaying());
    QTest::qWait(200);
    EXPECT_EQ(finished.count(), 1);
}

TEST(AudioOutputStream, StopDropsAnEndAlreadyOnItsWay) {
    CHORALE_REQUIRE_AUDIO(false);
    AudioOutputStream stream;
    QSignalSpy finished(&stream, &AudioOutputStream::finished);
    const auto empty = [](float *, qint64) { return qint64(0); }; // ends at once
    ASSERT_TRUE(stream.start(AudioOutputStream::defaultFormat(), empty));
    // Without an event loop the audio thread's end notice waits in the queue; stop() must win.
    QThread::msleep(300);
    stream.stop();
    QTest::qWait(200);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_FALSE(stream.isPlaying());

    // Left alone, the same stream finishes.
    ASSERT_TRUE(stream.start(AudioOutputStream::defaultFormat(), empty));
    EXPECT_TRUE(test::waitUntil([&] { return finished.count() == 1; }, 15000));
}

TEST(AudioOutputStream, RefusesFormatsItCannotRender) {
    AudioOutputStream stream;
    QAudioFormat int16;
    int16.setSampleRate(44100);
    int16.setChannelCount(2);
    int16.setSampleFormat(QAudioFormat::Int16);
    EXPECT_FALSE(stream.start(int16, [](float *, qint64) { return qint64(0); }));
    EXPECT_FALSE(stream.start(QAudioFormat(), [](float *, qint64) { return qint64(0); }));
    EXPECT_FALSE(stream.isPlaying());
}

} // namespace
} // namespace chorale

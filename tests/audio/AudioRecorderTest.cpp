// SPDX-License-Identifier: GPL-3.0-or-later
// Real capture from the audio server's test sources. The sine source delivers audio in bursts of
// about two seconds, so the tests wait for a number of captured samples, never for wall time.
#include "audio/AudioRecorder.h"

#include "LiveAudio.h"
#include "audio/AudioDeviceList.h"
#include "model/ChoraleError.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/resource.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <numbers>

namespace chorale {
namespace {

// Generous: the first burst of the sine source arrives about two seconds after a start.
constexpr int captureTimeoutMs = 15000;

class AudioRecorderTest : public ::testing::Test {
protected:
    QString tmp() {
        const QString dir = root.path() + QStringLiteral("/tmp");
        QDir().mkpath(dir);
        return dir;
    }

    // Starts a take and waits until at least `frames` frames are in its file.
    void recordFrames(AudioRecorder &recorder, const QAudioDevice &device, qint64 frames) {
        recorder.start(AudioDeviceList::deviceID(device.id()), tmp());
        ASSERT_TRUE(recorder.isRecording());
        ASSERT_TRUE(test::waitUntil([&] { return recorder.captureStats().framesWritten >= frames; },
                                    captureTimeoutMs))
                << "captured only " << recorder.captureStats().framesWritten << " frames";
    }

    test::TempDataRoot root;
};

TEST_F(AudioRecorderTest, WritesFloatWavAtTheDevicesOwnRateWithAllChannels) {
    CHORALE_REQUIRE_AUDIO(true);
    std::vector<QAudioDevice> devices{*test::testSource()};
    if (const auto stereo = test::stereoTestSource())
        devices.push_back(*stereo);

    for (const QAudioDevice &device : devices) {
        SCOPED_TRACE(device.id().toStdString());
        const QAudioFormat native = device.preferredFormat();
        AudioRecorder recorder;
        recordFrames(recorder, device, native.sampleRate());
        recorder.stop();
        EXPECT_EQ(recorder.lastTakeError(), QString());

        const AudioRecorder::CaptureStats stats = recorder.captureStats();
        const test::AudioInfo file = test::readAudio(recorder.lastFileURL());
        EXPECT_EQ(file.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        EXPECT_EQ(file.sampleRate, native.sampleRate());
        EXPECT_EQ(file.channels, native.channelCount());
        EXPECT_EQ(file.frames, stats.framesWritten) << "every captured frame is in the file";
        EXPECT_EQ(stats.framesWritten, stats.framesCaptured);
        EXPECT_EQ(stats.failedWrites, 0);
        EXPECT_GE(file.frames, native.sampleRate());
        EXPECT_TRUE(QFileInfo(recorder.lastFileURL())
                            .fileName()
                            .contains(QRegularExpression(
                                    "^take-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
                                    "[0-9A-F]{12}\\.wav$")))
                << recorder.lastFileURL().toStdString();
    }
}

TEST_F(AudioRecorderTest, RecordsTheSineWithoutGapsAndMetersItsLevel) {
    CHORALE_REQUIRE_AUDIO(true);
    if (!test::testSourceIsSine())
        GTEST_SKIP() << "needs the 440 Hz sine source of scripts/with-audio";
    const QAudioDevice device = *test::testSource();
    AudioRecorder recorder;
    QSignalSpy levels(&recorder, &AudioRecorder::levelChanged);
    recordFrames(recorder, device, device.preferredFormat().sampleRate());
    // Let the 0.05 s timer publish the latest buffer's level.
    ASSERT_TRUE(test::waitUntil([&] { return recorder.level() > 0; }, 1000));
    const float level = recorder.level();
    const double elapsed = recorder.elapsed();
    EXPECT_GT(elapsed, 0.0);
    recorder.stop();

    const test::AudioInfo file = test::readAudio(recorder.lastFileURL());
    ASSERT_GT(file.frames, 0);
    float peak = 0;
    for (const float x : file.samples)
        peak = std::max(peak, std::abs(x));
    ASSERT_GT(peak, 0.001f);
    // A steady sine of amplitude A has an RMS of A/√2 in every buffer.
    EXPECT_NEAR(level, std::min(8.0f * peak / float(std::numbers::sqrt2), 1.0f), 0.03f);
    EXPECT_EQ(test::sineDiscontinuities(file.samples, 440.0, file.sampleRate), 0)
            << "no buffer was dropped, repeated or reordered";

    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.level(), 0.0f);
    EXPECT_EQ(recorder.elapsed(), elapsed) << "elapsed describes the finished take";
    EXPECT_TRUE(QFileInfo::exists(recorder.lastFileURL()));
    EXPECT_GE(levels.count(), 2) << "rose while recording, back to 0 at stop";
}

TEST_F(AudioRecorderTest, EachTakeGetsItsOwnFile) {
    CHORALE_REQUIRE_AUDIO(true);
    const QAudioDevice device = *test::testSource();
    AudioRecorder recorder;
    recordFrames(recorder, device, 1000);
    const QString first = recorder.lastFileURL();
    const qint64 firstFrames = recorder.captureStats().framesWritten;

    // Starting again ends the first take; its file is finished and kept.
    QSignalSpy files(&recorder, &AudioRecorder::lastFileURLChanged);
    recorder.start(AudioDeviceList::deviceID(device.id()), tmp());
    EXPECT_EQ(recorder.elapsed(), 0.0);
    EXPECT_EQ(files.count(), 1);
    const QString second = recorder.lastFileURL();
    EXPECT_NE(first, second);
    ASSERT_TRUE(test::waitUntil([&] { return recorder.captureStats().framesWritten >= 1000; },
                                captureTimeoutMs));
    recorder.stop();

    EXPECT_GE(test::readAudio(first).frames, firstFrames);
    EXPECT_GE(test::readAudio(second).frames, 1000);
    EXPECT_EQ(QDir(tmp()).entryList(QDir::Files).size(), 2);
}

TEST_F(AudioRecorderTest, StopChangesNothingWhenNotRecording) {
    AudioRecorder recorder;
    QSignalSpy recording(&recorder, &AudioRecorder::isRecordingChanged);
    QSignalSpy level(&recorder, &AudioRecorder::levelChanged);
    QSignalSpy elapsed(&recorder, &AudioRecorder::elapsedChanged);
    recorder.stop();
    recorder.stop();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.level(), 0.0f);
    EXPECT_EQ(recording.count() + level.count() + elapsed.count(), 0)
            << "properties notify only on real change";
}

TEST_F(AudioRecorderTest, StartFailuresLeaveNothingRunning) {
    CHORALE_REQUIRE_AUDIO(true);
    const quint32 sine = AudioDeviceList::deviceID(test::testSource()->id());
    quint32 unknown = 12345;
    while (AudioDeviceList::findInput(unknown))
        ++unknown;
    struct Case {
        const char *what;
        quint32 device;
        QString directory;
        ChoraleError::Kind kind;
        QString message; // empty: the platform's own message
    };
    const Case cases[] = {
            {"unknown device", unknown, tmp(), ChoraleError::Kind::engineUnavailable,
             "Could not select that microphone."},
            {"no device", 0, tmp(), ChoraleError::Kind::engineUnavailable,
             "Could not select that microphone."},
            {"folder missing",
             sine,
             root.path() + "/no/such/folder",
             ChoraleError::Kind::platform,
             {}},
    };
    for (const Case &c : cases) {
        AudioRecorder recorder;
        QSignalSpy recording(&recorder, &AudioRecorder::isRecordingChanged);
        try {
            recorder.start(c.device, c.directory);
            ADD_FAILURE() << c.what << ": started";
        } catch (const ChoraleError &error) {
            EXPECT_EQ(error.kind(), c.kind) << c.what;
            if (!c.message.isEmpty())
                EXPECT_EQ(error.message(), c.message) << c.what;
            else
                EXPECT_FALSE(error.message().isEmpty()) << c.what;
        }
        EXPECT_FALSE(recorder.isRecording()) << c.what;
        EXPECT_EQ(recording.count(), 0) << c.what;
        QTest::qWait(120); // no meter timer may be running
        EXPECT_EQ(recorder.level(), 0.0f) << c.what;
        EXPECT_EQ(recorder.elapsed(), 0.0) << c.what;
    }
    EXPECT_TRUE(QDir(tmp()).entryList(QDir::Files).isEmpty()) << "no take file was created";
}

// Limits the size of files this process may write, for the lifetime of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN); // a failed write, not a dead process
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

TEST_F(AudioRecorderTest, AFailedWriteKeepsRecordingAndIsReportedAtStop) {
    CHORALE_REQUIRE_AUDIO(true);
    const QAudioDevice device = *test::testSource();
    const int rate = device.preferredFormat().sampleRate();
    AudioRecorder recorder;
    {
        // Room for about a quarter of a second: the disk "fills up" during the take.
        const FileSizeLimit limit(64 * 1024);
        recorder.start(AudioDeviceList::deviceID(device.id()), tmp());
        ASSERT_TRUE(test::waitUntil([&] { return recorder.captureStats().framesCaptured >= rate; },
                                    captureTimeoutMs));
        EXPECT_TRUE(recorder.isRecording()) << "a failed write does not end the take";
        EXPECT_GT(recorder.captureStats().failedWrites, 0);
        EXPECT_EQ(recorder.lastTakeError(), QString()) << "reported when the take is stopped";
        ASSERT_TRUE(test::waitUntil([&] { return recorder.level() > 0; }, 1000))
                << "the meter keeps working";
        recorder.stop();
    }
    EXPECT_TRUE(recorder.lastTakeError().contains("incomplete"))
            << recorder.lastTakeError().toStdString();
    EXPECT_TRUE(recorder.lastTakeError().contains(QString::fromLocal8Bit(std::strerror(EFBIG))))
            << "carries the system's reason: " << recorder.lastTakeError().toStdString();
    const test::AudioInfo file = test::readAudio(recorder.lastFileURL());
    EXPECT_GT(file.frames, 0) << "what was written is kept and readable";
    EXPECT_LT(file.frames, recorder.captureStats().framesCaptured);

    // The next take starts clean.
    recordFrames(recorder, device, 1000);
    EXPECT_EQ(recorder.lastTakeError(), QString());
    recorder.stop();
    EXPECT_EQ(recorder.lastTakeError(), QString());
}

} // namespace
} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
// Waveform peaks: which frames each bin measures, normalisation, and the empty answers.
#include "dialogue/WaveformPeaks.h"

#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace chorale;
using namespace chorale::test;

namespace {

class WaveformPeaksTest : public ::testing::Test {
protected:
    QString file(const std::vector<float> &samples, int channels = 1) {
        return writeSamples(root.scratch(QString("f%1.wav").arg(++count)), samples, 48000,
                            channels);
    }
    TempDataRoot root;
    int count = 0;
};

} // namespace

TEST_F(WaveformPeaksTest, WindowsOfThreeLeaveTheTailUnmeasured) {
    // 1000 frames in 256 bins: windows of 3 cover frames 0–767; the louder 768–999 are ignored.
    std::vector<float> samples(1000, 0.1f);
    samples[767] = -0.5f;
    std::fill(samples.begin() + 768, samples.end(), 0.9f);
    const QList<float> peaks = WaveformPeaks::load(file(samples), 256);
    ASSERT_EQ(peaks.size(), 256);
    for (int i = 0; i < 255; ++i)
        ASSERT_FLOAT_EQ(peaks[i], 0.2f) << i;
    EXPECT_EQ(peaks[255], 1.0f);
}

TEST_F(WaveformPeaksTest, ShortFileFillsOneFramePerBinAndLeavesTheRestZero) {
    std::vector<float> samples(100);
    for (int i = 0; i < 100; ++i)
        samples[size_t(i)] = (i % 2 ? -1.0f : 1.0f) * float(i + 1) / 400.0f;
    const QList<float> peaks = WaveformPeaks::load(file(samples), 256);
    ASSERT_EQ(peaks.size(), 256);
    for (int i = 0; i < 100; ++i)
        ASSERT_FLOAT_EQ(peaks[i], float(i + 1) / 100.0f) << i;
    EXPECT_TRUE(std::all_of(peaks.begin() + 100, peaks.end(), [](float p) { return p == 0; }));
}

TEST_F(WaveformPeaksTest, QuietFilesStayUnscaledAndLoudOnesPeakAtExactlyOne) {
    std::vector<float> quiet(4800, 0.00002f);
    quiet[100] = 0.00005f;
    const QList<float> quietPeaks = WaveformPeaks::load(file(quiet), 16);
    ASSERT_EQ(quietPeaks.size(), 16);
    EXPECT_FLOAT_EQ(quietPeaks[0], 0.00005f);
    EXPECT_FLOAT_EQ(quietPeaks[1], 0.00002f);

    // Uneven levels whose reciprocal is not exact in floating point.
    std::vector<float> loud(4800);
    for (size_t i = 0; i < loud.size(); ++i)
        loud[i] = 0.3f + 0.4f * float(i % 7) / 7.0f;
    loud[2000] = 0.7f;
    const QList<float> loudPeaks = WaveformPeaks::load(file(loud), 64);
    EXPECT_EQ(*std::max_element(loudPeaks.begin(), loudPeaks.end()), 1.0f);
    EXPECT_TRUE(std::all_of(loudPeaks.begin(), loudPeaks.end(), [](float p) { return p <= 1; }));
}

TEST_F(WaveformPeaksTest, OnlyTheLeftChannelIsMeasured) {
    std::vector<float> stereo(2 * 48000);
    for (size_t i = 0; i < stereo.size(); i += 2)
        stereo[i + 1] = 0.8f; // right only
    const QList<float> peaks = WaveformPeaks::load(file(stereo, 2), 256);
    ASSERT_EQ(peaks.size(), 256);
    EXPECT_TRUE(std::all_of(peaks.begin(), peaks.end(), [](float p) { return p == 0; }));
}

TEST_F(WaveformPeaksTest, ATruncatedFileIsMeasuredByTheFramesItReallyHas) {
    // A FLAC cut in half still announces all its frames but decodes fewer: the windows follow
    // the decoded frames, as they would for a whole file of that length.
    const QString path = root.scratch("cut.flac");
    {
        // A sawtooth envelope, so that every window size gives different peaks.
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = 1;
        info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
        SNDFILE *flac = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        ASSERT_TRUE(flac);
        std::vector<float> samples(48000);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = (i % 2 ? -0.8f : 0.8f) * float(i % 997) / 997.0f;
        sf_writef_float(flac, samples.data(), 48000);
        sf_close(flac);
    }
    QFile file(path);
    ASSERT_TRUE(file.resize(file.size() / 2));
    const AudioInfo decoded = readAudio(path);
    ASSERT_GT(decoded.frames, 1000);
    ASSERT_LT(decoded.frames, 40000);

    const qint64 n = decoded.frames, window = n / 256;
    std::vector<float> expected(256, 0.0f);
    for (qint64 i = 0; i < 256; ++i) {
        for (qint64 f = i * window; f < (i + 1) * window; ++f)
            expected[size_t(i)] =
                    std::max(expected[size_t(i)], std::fabs(decoded.samples[size_t(f)]));
    }
    const float loudest = *std::max_element(expected.begin(), expected.end());
    const QList<float> peaks = WaveformPeaks::load(path, 256);
    ASSERT_EQ(peaks.size(), 256);
    for (int i = 0; i < 256; ++i)
        ASSERT_FLOAT_EQ(peaks[i], expected[size_t(i)] / loudest) << i;
}

TEST_F(WaveformPeaksTest, BadInputGivesAnEmptyList) {
    const QString good = file(std::vector<float>(480, 0.5f));
    EXPECT_TRUE(WaveformPeaks::load(good, 0).isEmpty());
    EXPECT_TRUE(WaveformPeaks::load(good, -3).isEmpty());
    EXPECT_TRUE(WaveformPeaks::load(root.scratch("missing.wav"), 256).isEmpty());
    EXPECT_TRUE(WaveformPeaks::load(file({}), 256).isEmpty());
    writeAll(root.scratch("junk.wav"), "RIFF not really a wave file");
    EXPECT_TRUE(WaveformPeaks::load(root.scratch("junk.wav"), 256).isEmpty());
}

// A damaged float file may hold NaN or infinite samples: they count as silence, so the rest of
// the clip still draws and no bin is NaN.
TEST_F(WaveformPeaksTest, NonFiniteSamplesCountAsSilence) {
    std::vector<float> samples(400, 0.25f);
    samples[10] = std::numeric_limits<float>::infinity();
    samples[20] = -std::numeric_limits<float>::infinity();
    samples[30] = std::numeric_limits<float>::quiet_NaN();
    std::fill(samples.begin() + 200, samples.end(), 0.5f);
    const QList<float> peaks = WaveformPeaks::load(file(samples), 4);
    ASSERT_EQ(peaks.size(), 4);
    EXPECT_EQ(peaks[0], 0.5f);
    EXPECT_EQ(peaks[1], 0.5f);
    EXPECT_EQ(peaks[2], 1.0f);
    EXPECT_EQ(peaks[3], 1.0f);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding files to the output's format: resampling keeps length, pitch and level; channels are
// mapped; a segment decodes exactly its frames; unreadable input is refused.
#include "audio/AudioFileDecoder.h"

#include "model/ChoraleError.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <vector>

namespace chorale {
namespace {

std::vector<float> decodeAll(AudioFileDecoder &decoder, qint64 block = 1000) {
    std::vector<float> out;
    std::vector<float> buffer(size_t(block * decoder.channels()));
    for (;;) {
        const qint64 n = decoder.read(buffer.data(), block);
        out.insert(out.end(), buffer.begin(), buffer.begin() + n * decoder.channels());
        if (n < block)
            break;
    }
    EXPECT_EQ(decoder.read(buffer.data(), block), 0) << "stays at the end";
    return out;
}

std::vector<float> channel(const std::vector<float> &interleaved, int channels, int c) {
    std::vector<float> out;
    for (size_t i = size_t(c); i < interleaved.size(); i += size_t(channels))
        out.push_back(interleaved[i]);
    return out;
}

// Upward zero crossings per second: the tone's frequency.
double frequencyOf(const std::vector<float> &samples, int rate) {
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        crossings += samples[i - 1] < 0 && samples[i] >= 0;
    return crossings * double(rate) / double(samples.size());
}

float peakOf(const std::vector<float> &samples, size_t skip) {
    float peak = 0;
    for (size_t i = skip; i + skip < samples.size(); ++i)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

struct FormatCase {
    int fileRate;
    int fileChannels;
    int rate;
    int channels;
};

class DecoderFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DecoderFormats, KeepsLengthPitchAndLevel) {
    const FormatCase c = GetParam();
    test::TempDataRoot root;
    const QString path = test::writeTone(root.scratch("tone.wav"), {.seconds = 1.0,
                                                                    .sampleRate = c.fileRate,
                                                                    .channels = c.fileChannels,
                                                                    .frequency = 441.0,
                                                                    .amplitude = 0.5});
    AudioFileDecoder decoder(path, c.rate, c.channels);
    EXPECT_EQ(decoder.fileSampleRate(), c.fileRate);
    EXPECT_EQ(decoder.fileChannels(), c.fileChannels);
    EXPECT_EQ(decoder.fileFrames(), c.fileRate);

    const std::vector<float> out = decodeAll(decoder);
    const qint64 frames = qint64(out.size()) / c.channels;
    EXPECT_NEAR(double(frames), double(c.rate), 2.0) << "one second stays one second";
    for (int ch = 0; ch < c.channels; ++ch) {
        const std::vector<float> samples = channel(out, c.channels, ch);
        EXPECT_NEAR(frequencyOf(samples, c.rate), 441.0, 2.0) << "channel " << ch;
        EXPECT_NEAR(peakOf(samples, size_t(c.rate / 50)), 0.5f, 0.01f) << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(AudioFileDecoder, DecoderFormats,
                         ::testing::Values(FormatCase{48000, 2, 48000, 2}, // as it is
                                           FormatCase{44100, 1, 48000, 2}, // up, mono to both
                                           FormatCase{48000, 2, 44100, 1}, // down, averaged
                                           FormatCase{22050, 1, 44100, 1},
                                           FormatCase{24000, 2, 44100, 2}));

TEST(AudioFileDecoder, DecodesExactlyTheRequestedSegment) {
    test::TempDataRoot root;
    std::vector<float> ramp(3000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = float(i) / 4096.0f;
    const QString path = test::writeSamples(root.scratch("ramp.wav"), ramp, 16000, 1);

    AudioFileDecoder segment(path, 16000, 1, 1000, 500);
    const std::vector<float> out = decodeAll(segment, 64);
    ASSERT_EQ(out.size(), 500u);
    EXPECT_FLOAT_EQ(out.front(), 1000 / 4096.0f);
    EXPECT_FLOAT_EQ(out.back(), 1499 / 4096.0f);

    AudioFileDecoder tail(path, 16000, 1, 2900, 500);
    EXPECT_EQ(decodeAll(tail).size(), 100u) << "a segment past the end stops at the end";
}

TEST(AudioFileDecoder, MapsStereoToWiderOutputsWithoutInventingChannels) {
    test::TempDataRoot root;
    const QString path =
            test::writeSamples(root.scratch("lr.wav"), {0.25f, -0.5f, 0.25f, -0.5f}, 8000, 2);
    AudioFileDecoder decoder(path, 8000, 4);
    const std::vector<float> out = decodeAll(decoder);
    EXPECT_EQ(out, (std::vector<float>{0.25f, -0.5f, 0, 0, 0.25f, -0.5f, 0, 0}));
}

TEST(AudioFileDecoder, RefusesWhatItCannotRead) {
    test::TempDataRoot root;
    const QString garbage = root.scratch("garbage.wav");
    test::writeAll(garbage, QByteArray("RIFF this is not audio at all", 29));
    const QString tone = test::writeTone(root.scratch("short.wav"), {.seconds = 0.1});
    struct Case {
        const char *what;
        QString path;
        qint64 start;
    };
    const Case cases[] = {
            {"missing file", root.scratch("missing.wav"), 0},
            {"not audio", garbage, 0},
            {"start past the end", tone, 48000},
    };
    for (const Case &c : cases) {
        try {
            AudioFileDecoder decoder(c.path, 48000, 2, c.start);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const ChoraleError &error) {
            EXPECT_EQ(error.kind(), ChoraleError::Kind::unreadableAudio) << c.what;
        }
    }
}

} // namespace
} // namespace chorale

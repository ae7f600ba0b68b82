// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring and converting audio files: both conversion paths, the exact WAV header we write,
// and refusal of files that are not audio. All fixtures are generated here.
#include "store/AudioFileTools.h"

#include "model/ChoraleError.h"
#include "support/AudioFixtures.h"
#include "support/TestData.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <sndfile.h>

using namespace chorale;
using namespace chorale::test;

namespace {

quint32 le(const QByteArray &b, int offset, int bytes) {
    quint32 v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[offset + i]);
    return v;
}

class AudioFileToolsTest : public ::testing::Test {
protected:
    TempDataRoot root;
};

} // namespace

TEST_F(AudioFileToolsTest, WriteWavHeaderIsCanonical) {
    const QString path = root.scratch("tiny.wav");
    AudioFileTools::detail::writeWAV(QByteArray("\x01\x02\x03\x04", 4), 48000, 2, path);
    const QByteArray b = readAll(path);
    ASSERT_EQ(b.size(), 48);
    EXPECT_EQ(b.left(4), "RIFF");
    EXPECT_EQ(le(b, 4, 4), 40u);
    EXPECT_EQ(b.mid(8, 4), "WAVE");
    EXPECT_EQ(b.mid(12, 4), "fmt ");
    EXPECT_EQ(le(b, 16, 4), 16u);
    EXPECT_EQ(le(b, 20, 2), 1u);
    EXPECT_EQ(le(b, 22, 2), 2u);
    EXPECT_EQ(le(b, 24, 4), 48000u);
    EXPECT_EQ(le(b, 28, 4), 192000u);
    EXPECT_EQ(le(b, 32, 2), 4u);
    EXPECT_EQ(le(b, 34, 2), 16u);
    EXPECT_EQ(b.mid(36, 4), "data");
    EXPECT_EQ(le(b, 40, 4), 4u);
    EXPECT_EQ(b.mid(44), QByteArray("\x01\x02\x03\x04", 4));
}

TEST_F(AudioFileToolsTest, WriteWavRefusesImpossibleFormats) {
    EXPECT_THROW(AudioFileTools::detail::writeWAV("ab", 48000, 40000, root.scratch("x.wav")),
                 ChoraleError);
    EXPECT_THROW(AudioFileTools::detail::writeWAV("ab", 0, 1, root.scratch("x.wav")), ChoraleError);
    EXPECT_FALSE(QFileInfo::exists(root.scratch("x.wav")));
}

TEST_F(AudioFileToolsTest, MeasuresAndConvertsCommonFormats) {
    struct Case {
        const char *name;
        int format;
        int rate;
        int channels;
    };
    const Case cases[] = {
            {"mono.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 1},
            {"stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2},
            {"int16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1},
            {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 16000, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString source = writeTone(
                root.scratch(c.name),
                {.seconds = 4.0, .sampleRate = c.rate, .channels = c.channels, .format = c.format});
        // MP3 frames are padded by the encoder; a few milliseconds either way are expected.
        EXPECT_NEAR(AudioFileTools::duration(source), 4.0, 0.06);
        const QString wav = root.scratch(QString::fromLatin1(c.name) + ".out.wav");
        AudioFileTools::convertToWAV(source, wav);
        const AudioInfo info = readAudio(wav);
        EXPECT_EQ(info.sampleRate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        EXPECT_NEAR(double(info.frames) / c.rate, 4.0, 0.06);
    }
}

// A FLAC stream may leave its total length unset (streaming encoders write 0), which libsndfile
// reports as the largest possible frame count: such a file is measured and converted by what
// it really holds.
TEST_F(AudioFileToolsTest, FlacOfUnknownLengthIsMeasuredByItsAudio) {
    const QString source = writeTone(
            root.scratch("unknown.flac"),
            {.seconds = 2.0, .sampleRate = 16000, .format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16});
    QByteArray bytes = readAll(source);
    // STREAMINFO follows "fLaC" and its block header; its 36-bit sample count starts in the
    // low half of its byte 13.
    ASSERT_EQ(bytes.left(4), "fLaC");
    bytes[8 + 13] = char(quint8(bytes[8 + 13]) & 0xf0);
    for (int i = 14; i < 18; ++i)
        bytes[8 + i] = 0;
    writeAll(source, bytes);

    EXPECT_NEAR(AudioFileTools::duration(source), 2.0, 0.01);
    const QString wav = root.scratch("unknown.out.wav");
    AudioFileTools::convertToWAV(source, wav);
    EXPECT_EQ(readAudio(wav).frames, 32000);
}

TEST_F(AudioFileToolsTest, ConvertingReplacesTheDestination) {
    const QString source = writeTone(root.scratch("a.wav"), {.seconds = 1.0});
    const QString wav = root.scratch("out.wav");
    writeAll(wav, QByteArray(100000, 'x'));
    AudioFileTools::convertToWAV(source, wav);
    EXPECT_EQ(readAudio(wav).frames, 48000);
}

TEST_F(AudioFileToolsTest, SecondPathMixesManyChannelsToStereo16Bit) {
    const QString source = writeTone(root.scratch("six.wav"),
                                     {.seconds = 1.0, .sampleRate = 44100, .channels = 6});
    const QString wav = root.scratch("six.out.wav");
    AudioFileTools::detail::convertWithAssetReader(source, wav);
    const AudioInfo info = readAudio(wav);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.frames, 44100);
    EXPECT_EQ(readAll(wav).size(), 44 + 44100 * 4) << "exactly our 44-byte header";

    const QString mono = writeTone(root.scratch("mono.wav"), {.seconds = 0.5});
    AudioFileTools::detail::convertWithAssetReader(mono, wav);
    EXPECT_EQ(readAudio(wav).channels, 1);
}

TEST_F(AudioFileToolsTest, NonAudioIsUnreadable) {
    const QString text = root.scratch("notes.mp3");
    writeAll(text, "These are my notes, not a song.\n");
    const QString empty = writeTone(root.scratch("empty.wav"), {.seconds = 0});
    for (const QString &path : {text, empty, root.scratch("missing.flac")}) {
        SCOPED_TRACE(path.toStdString());
        try {
            AudioFileTools::duration(path);
            ADD_FAILURE() << "measured";
        } catch (const ChoraleError &e) {
            EXPECT_EQ(e.kind(), ChoraleError::Kind::unreadableAudio);
        }
    }
    try {
        AudioFileTools::convertToWAV(text, root.scratch("notes.wav"));
        ADD_FAILURE() << "converted";
    } catch (const ChoraleError &e) {
        EXPECT_EQ(e.kind(), ChoraleError::Kind::unreadableAudio);
    }
    EXPECT_FALSE(QFileInfo::exists(root.scratch("notes.wav")));
}

TEST_F(AudioFileToolsTest, CopyReplacesDestinationAndReportsMissingSource) {
    writeAll(root.scratch("src"), "new");
    writeAll(root.scratch("dst"), "old and longer");
    AudioFileTools::copyFile(root.scratch("src"), root.scratch("dst"));
    EXPECT_EQ(readAll(root.scratch("dst")), "new");
    EXPECT_THROW(AudioFileTools::copyFile(root.scratch("nothing"), root.scratch("dst2")),
                 ChoraleError);
}

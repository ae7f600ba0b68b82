// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

typedef struct sf_private_tag SNDFILE;
struct soxr;

namespace chorale {

// Decodes an audio file, or one segment of it, to interleaved 32-bit float frames at a chosen
// sample rate and channel count: libsndfile reads (WAV, FLAC, MP3, OGG), soxr resamples when the
// rates differ. Channels are mapped simply: mono feeds every output channel, a mono output gets
// the average of all channels, otherwise channel c feeds output c and extra outputs stay silent.
//
// Reading is streamed block by block, so a long file is never held in memory. One thread at a
// time: open it where convenient (e.g. the main thread, to refuse an unreadable file at once) and
// hand it to the thread that reads it.
class AudioFileDecoder {
public:
    // Opens `path` to decode `frameCount` source frames starting at source frame `startFrame`
    // (all remaining frames when frameCount is negative). Throws ChoraleError::unreadableAudio
    // when the file cannot be opened or holds no audio, or when startFrame is past its end.
    AudioFileDecoder(const QString &path, int sampleRate, int channels, qint64 startFrame = 0,
                     qint64 frameCount = -1);
    ~AudioFileDecoder();
    AudioFileDecoder(const AudioFileDecoder &) = delete;
    AudioFileDecoder &operator=(const AudioFileDecoder &) = delete;

    int fileSampleRate() const { return m_fileRate; }
    int fileChannels() const { return m_fileChannels; }
    // Length of the whole file in its own frames (an estimate for MP3 without a length header).
    qint64 fileFrames() const { return m_fileFrames; }
    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }
    // Changes the output channel count; call before the first read.
    void setChannels(int channels);

    // Fills `interleaved` with up to `frames` output frames and returns how many it wrote; fewer
    // than asked only at the end of the segment (0 once it is exhausted).
    qint64 read(float *interleaved, qint64 frames);

private:
    qint64 readSource(float *into, qint64 frames);
    bool refill();

    SNDFILE *m_file = nullptr;
    soxr *m_resampler = nullptr;
    int m_fileRate = 0;
    int m_fileChannels = 0;
    qint64 m_fileFrames = 0;
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_sourceLeft = -1; // source frames still to read; negative: up to the end of the file

    std::vector<float> m_input; // source frames read but not yet resampled
    qint64 m_inputOffset = 0;
    qint64 m_inputFrames = 0;
    bool m_inputEnded = false;
    std::vector<float> m_converted; // frames at the output rate, still in source channels
    qint64 m_convertedOffset = 0;
    qint64 m_convertedFrames = 0;
    bool m_finished = false;
};

} // namespace chorale

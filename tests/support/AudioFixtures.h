// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace chorale::test {

// Audio files made inside the tests (no binary fixtures in the repository).
struct Tone {
    double seconds = 1.0;
    int sampleRate = 48000;
    int channels = 1;
    double frequency = 440.0; // 0 gives silence
    double amplitude = 0.5;
    int format = 0; // libsndfile format; 0 = 32-bit float WAV
};

// Writes a sine tone (the same on every channel) and returns the path.
QString writeTone(const QString &path, const Tone &tone);

// Writes the given interleaved samples as a float WAV.
QString writeSamples(const QString &path, const std::vector<float> &interleaved, int sampleRate,
                     int channels);

struct AudioInfo {
    long long frames = 0;
    int sampleRate = 0;
    int channels = 0;
    int format = 0;             // libsndfile format word
    std::vector<float> samples; // interleaved
};

// Reads a whole file with libsndfile; frames 0 when it cannot be opened.
AudioInfo readAudio(const QString &path);

} // namespace chorale::test

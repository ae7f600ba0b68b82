// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "naming/Transcriber.h"

namespace chorale {

// Transcription with whisper.cpp's C API and a tiny ggml model file. Only built when whisper.cpp
// is installed. The model is loaded and freed for every take: titles are rare, and nothing
// large stays in memory between them.
class WhisperTranscriber final : public Transcriber {
public:
    bool isAvailable() const override { return true; }
    std::optional<QString> transcribe(const QString &modelPath, const std::vector<float> &samples,
                                      const QString &language) override {
        return runWhisper(modelPath, samples, language);
    }

    // One greedy pass over at most 8 s of audio on 2 threads, as a single segment without
    // timestamps, in the given language. Nothing when the model cannot be loaded or decoding
    // fails; an empty text when nothing was recognised.
    static std::optional<QString> runWhisper(const QString &modelPath,
                                             const std::vector<float> &samples,
                                             const QString &language);
};

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace chorale {

// Speech to text for take titles. The recording namer talks only to this interface, so the
// whisper.cpp implementation is optional and tests can put a fake behind it.
// Called from background threads: implementations must be safe to call from several at once.
class Transcriber {
public:
    virtual ~Transcriber() = default;

    // False when this build has no speech recognition; the namer then gives up before any
    // download or decoding.
    virtual bool isAvailable() const = 0;

    // The text spoken in `samples` (16 kHz mono float) in `language` (an ISO 639-1 code such as
    // "en"), using the model file at `modelPath`. Nothing on any failure; never throws.
    virtual std::optional<QString> transcribe(const QString &modelPath,
                                              const std::vector<float> &samples,
                                              const QString &language) = 0;
};

// Stands in when the app was built without whisper.cpp: every take keeps its fallback name.
class UnavailableTranscriber final : public Transcriber {
public:
    bool isAvailable() const override { return false; }
    std::optional<QString> transcribe(const QString &, const std::vector<float> &,
                                      const QString &) override {
        return std::nullopt;
    }
};

// The transcriber of this build: whisper.cpp when it was found at build time, else the
// unavailable one.
std::shared_ptr<Transcriber> makeTranscriber();

} // namespace chorale

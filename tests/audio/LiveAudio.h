// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudioDevice>
#include <QString>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace chorale::test {

// Why the audio server cannot be used for these tests; empty when it can. `needInput` also asks
// for a capture device.
QString audioUnavailableReason(bool needInput);

// True when the environment demands real audio (CHORALE_REQUIRE_AUDIO, set by scripts/test).
bool audioRequired();

// The capture device the tests record from: CHORALE_TEST_SOURCE (set by scripts/with-audio to its
// sine source) or else the default input.
std::optional<QAudioDevice> testSource();
// True when testSource() is the known 440 Hz sine source, so its content can be checked.
bool testSourceIsSine();
// A second, stereo capture device when the audio daemon provides one (CHORALE_TEST_STEREO_SOURCE).
std::optional<QAudioDevice> stereoTestSource();

// Processes events until `condition` holds or `timeoutMs` passes; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

// Samples of a steady sine that break its recurrence x[n+1] = 2cos(w)x[n] - x[n-1]: each is a
// dropped, repeated or reordered stretch of audio. `samples` is one channel.
long long sineDiscontinuities(const std::vector<float> &samples, double frequency,
                              double sampleRate);

} // namespace chorale::test

// Skips the test when the audio server is unavailable, or fails it when audio is required.
#define CHORALE_REQUIRE_AUDIO(needInput)                                                           \
    do {                                                                                           \
        const QString reason = ::chorale::test::audioUnavailableReason(needInput);                 \
        if (!reason.isEmpty()) {                                                                   \
            if (::chorale::test::audioRequired())                                                  \
                FAIL() << "audio is required but unavailable: " << reason.toStdString();           \
            GTEST_SKIP() << "no audio server: " << reason.toStdString()                            \
                         << " (run through scripts/with-audio)";                                   \
        }                                                                                          \
    } while (false)

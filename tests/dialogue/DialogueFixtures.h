// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/DialogueProject.h"

#include <QString>
#include <QUuid>

#include <vector>

namespace chorale::test {

// A dialogue built in memory whose clip files are written into its clips folder under the
// current (temporary) data root.
class DialogueBuilder {
public:
    explicit DialogueBuilder(double extraDuration = 0);

    // A new track; returns its id.
    QUuid track(const QString &name);
    // A clip on `trackId` playing `samples` (interleaved) from `startTime`, trimmed to
    // trimStart..trimEnd (trimEnd < 0: the whole source).
    DialogueClip clip(const QUuid &trackId, double startTime, const std::vector<float> &samples,
                      int sampleRate, int channels = 1, double trimStart = 0, double trimEnd = -1);
    // A clip whose file does not exist.
    DialogueClip missingClip(const QUuid &trackId, double startTime, double length);

    // The dialogue with its duration refreshed.
    DialogueProject project() const;

private:
    DialogueProject m_project;
};

// `seconds` of a constant value.
std::vector<float> constant(double seconds, int sampleRate, float value, int channels = 1);
// `seconds` of a sine.
std::vector<float> sine(double seconds, int sampleRate, double frequency, float amplitude);

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogueFixtures.h"

#include "model/Identifiers.h"
#include "support/AudioFixtures.h"

#include <QDateTime>

#include <cmath>
#include <numbers>

namespace chorale::test {

DialogueBuilder::DialogueBuilder(double extraDuration) {
    m_project.id = QUuid::createUuid();
    m_project.name = QStringLiteral("Scene");
    m_project.createdAt = QDateTime::currentDateTimeUtc();
    m_project.updatedAt = m_project.createdAt;
    m_project.duration = extraDuration;
}

QUuid DialogueBuilder::track(const QString &name) {
    const QUuid id = QUuid::createUuid();
    m_project.tracks << DialogueTrack{id, name};
    return id;
}

DialogueClip DialogueBuilder::clip(const QUuid &trackId, double startTime,
                                   const std::vector<float> &samples, int sampleRate, int channels,
                                   double trimStart, double trimEnd) {
    missingClip(trackId, startTime, 0);
    DialogueClip &clip = m_project.clips.last();
    clip.sourceDuration = double(samples.size() / size_t(channels)) / sampleRate;
    clip.trimStart = trimStart;
    clip.trimEnd = trimEnd < 0 ? clip.sourceDuration : trimEnd;
    writeSamples(m_project.audioURL(clip), samples, sampleRate, channels);
    return clip;
}

DialogueClip DialogueBuilder::missingClip(const QUuid &trackId, double startTime, double length) {
    DialogueClip clip;
    clip.id = QUuid::createUuid();
    clip.trackId = trackId;
    clip.startTime = startTime;
    clip.trimEnd = length;
    clip.sourceDuration = length;
    clip.characterName = QStringLiteral("Anna");
    clip.fileName = idText(clip.id) + QStringLiteral(".wav");
    m_project.clips << clip;
    return m_project.clips.last();
}

DialogueProject DialogueBuilder::project() const {
    DialogueProject project = m_project;
    const double extra = project.duration;
    project.refreshDuration();
    project.duration = std::max(project.duration, extra);
    return project;
}

std::vector<float> constant(double seconds, int sampleRate, float value, int channels) {
    return std::vector<float>(size_t(std::llround(seconds * sampleRate)) * size_t(channels), value);
}

std::vector<float> sine(double seconds, int sampleRate, double frequency, float amplitude) {
    std::vector<float> samples(size_t(std::llround(seconds * sampleRate)));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude *
                     float(std::sin(2 * std::numbers::pi * frequency * double(i) / sampleRate));
    return samples;
}

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogue/DialogueMixer.h"

#include "dialogue/DialogueBounce.h"
#include "dialogue/MixRenderer.h"

#include <QAudioFormat>

#include <algorithm>
#include <cmath>

namespace chorale {

namespace {

// The playhead advances 30 times a second.
constexpr int tickMilliseconds = 1000 / 30;
// A playhead this close to the end (or past it) makes toggle start over.
constexpr double restartMargin = 0.05;

QAudioFormat mixFormat() {
    QAudioFormat format;
    format.setSampleRate(mixSampleRate);
    format.setChannelCount(mixChannels);
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

} // namespace

DialogueMixer::DialogueMixer(QObject *parent)
    : QObject(parent) {
    m_timer.setInterval(tickMilliseconds);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &DialogueMixer::tick);
}

DialogueMixer::~DialogueMixer() {
    stopEngine();
}

void DialogueMixer::toggle(const DialogueProject &project) {
    if (m_isPlaying) {
        stopEngine();
        return;
    }
    play(project, m_currentTime < project.duration - restartMargin ? m_currentTime : 0.0);
}

void DialogueMixer::play(const DialogueProject &project, double from) {
    stopEngine();
    PlaybackSchedule schedule = MixSchedule::playback(project, from);
    m_duration = project.duration;
    setCurrentTime(schedule.atEnd ? project.duration : schedule.start);
    if (schedule.segments.empty())
        return;

    const double start = schedule.start;
    if (!m_output)
        m_output = std::make_unique<AudioOutputStream>();
    if (!m_output->start(mixFormat(), streamRender(std::move(schedule))))
        return;
    m_startedAt.start();
    m_startOffset = start;
    setPlaying(true);
    startTimer();
}

void DialogueMixer::seek(double to, const DialogueProject &project) {
    const double t = std::max(0.0, to);
    if (m_isPlaying)
        play(project, std::min(std::max(project.duration, 0.0), t));
    else
        setCurrentTime(t);
}

void DialogueMixer::stopEngine() {
    m_timer.stop();
    if (m_output)
        m_output->stop();
    m_startedAt.invalidate();
    setPlaying(false);
}

void DialogueMixer::bounce(const DialogueProject &project, const QString &url,
                           const std::optional<QUuid> &trackID) {
    DialogueBounce::bounce(project, url, trackID);
}

AudioOutputStream::Render DialogueMixer::streamRender(PlaybackSchedule schedule) {
    const qint64 total = std::max<qint64>(
            0, qint64(std::ceil((schedule.duration - schedule.start) * double(mixSampleRate))));
    // Shared only so that the callback is copyable; the stream's audio thread is its one user.
    auto mix = std::make_shared<MixRenderer>(std::move(schedule.segments));
    return [mix, total](float *interleaved, qint64 frames) -> qint64 {
        const qint64 count = std::clamp<qint64>(total - mix->position(), 0, frames);
        if (count > 0)
            mix->render(interleaved, count);
        return count;
    };
}

void DialogueMixer::startTimer() {
    m_timer.start();
}

void DialogueMixer::tick() {
    if (!m_isPlaying || !m_startedAt.isValid())
        return;
    const double now = m_startOffset + double(m_startedAt.nsecsElapsed()) * 1e-9;
    if (now >= m_duration) {
        setCurrentTime(m_duration);
        stopEngine();
        return;
    }
    setCurrentTime(now);
}

void DialogueMixer::setPlaying(bool playing) {
    if (m_isPlaying == playing)
        return;
    m_isPlaying = playing;
    emit isPlayingChanged();
}

void DialogueMixer::setCurrentTime(double seconds) {
    if (m_currentTime == seconds)
        return;
    m_currentTime = seconds;
    emit currentTimeChanged();
}

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioOutputStream.h"
#include "dialogue/MixSchedule.h"
#include "model/DialogueProject.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <memory>
#include <optional>

namespace chorale {

// Plays a dialogue as a live mix of all its clips, with a playhead the screens follow, and
// exports dialogues and tracks. One instance is shared by every screen.
//
// Playback mixes every scheduled clip segment into one 44 100 Hz stereo output stream (the
// same mix code as the export), so all clips run on one clock and keep their relative timing to
// the frame. Segments are read from their files as they play. The playhead follows the wall
// clock from the moment the stream started and stops playback when it reaches the end.
//
// Threads: the object and its properties belong to the main thread; the mix is rendered on the
// output stream's audio thread. bounce() is static and runs on any thread.
class DialogueMixer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isPlaying READ isPlaying NOTIFY isPlayingChanged)
    Q_PROPERTY(double currentTime READ currentTime NOTIFY currentTimeChanged)

public:
    explicit DialogueMixer(QObject *parent = nullptr);
    ~DialogueMixer() override;

    bool isPlaying() const { return m_isPlaying; }
    // The playhead in seconds; kept when playback stops.
    double currentTime() const { return m_currentTime; }

    // Stops when playing; otherwise plays from the playhead, or from the start when the
    // playhead is within 50 ms of the end or past it.
    void toggle(const DialogueProject &project);
    // (Re)starts playback of `project` at dialogue time `from` (clamped to 0…duration). Plays
    // nothing, silently, when no clip can be played from there or no output device opens.
    void play(const DialogueProject &project, double from);
    // Moves the playhead (never below 0); while playing, playback restarts there. A stopped
    // playhead may be parked past the end.
    void seek(double to, const DialogueProject &project);
    // Stops playback and releases the output; the playhead stays where it is.
    Q_INVOKABLE void stopEngine();

    // Writes the mix of the whole dialogue (no `trackID`) or of one track to `url`: see
    // DialogueBounce::bounce. Blocking; call it from a background task.
    static void bounce(const DialogueProject &project, const QString &url,
                       const std::optional<QUuid> &trackID = std::nullopt);

    // The render callback that plays `schedule` on a 44 100 Hz stereo float stream: the mix
    // from the start point to the dialogue's end, then the end of the stream. Public so that
    // the live mix can be rendered without a device.
    static AudioOutputStream::Render streamRender(PlaybackSchedule schedule);

signals:
    void isPlayingChanged();
    void currentTimeChanged();

private:
    void startTimer();
    void tick();
    void setPlaying(bool playing);
    void setCurrentTime(double seconds);

    bool m_isPlaying = false;
    double m_currentTime = 0;
    // Created on the first play: constructing the mixer touches no device.
    std::unique_ptr<AudioOutputStream> m_output;
    QTimer m_timer;
    QElapsedTimer m_startedAt; // invalid while stopped
    double m_startOffset = 0;
    double m_duration = 0; // of the dialogue last passed to play
};

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QObject>

#include <functional>

class QThread;

namespace chorale {

namespace detail {
class OutputWorker;
}

// Plays a stream of float frames pulled from a render callback into an output device (a
// QAudioSink over PulseAudio/PipeWire). This is the output path shared by the take player and the
// dialogue mixer.
//
// Threads: the object itself lives on the main thread (start, stop, isPlaying, the finished
// signal). The sink runs on the stream's own audio thread, and the render callback is called
// there, a block of a few thousand frames at a time, whenever the sink wants more audio. The
// callback may read files (the sink keeps a ~0.1 s buffer), but it must not touch main-thread
// state without its own synchronisation.
//
// The end: when the callback returns fewer frames than asked, that is the end of the stream. The
// stream then pads with silence until the device has actually played the last frame (measured by
// the sink's processed time, not by its idle state, which PulseAudio reaches ~0.25 s early),
// stops the sink and emits finished() on the main thread.
//
// A dialogue mixer uses it like this: pick the format (deviceFormat(), or a fixed one such as
// 44 100 Hz stereo float, which the audio system converts), open one AudioFileDecoder per clip
// segment at that rate, and start() a callback that, for the output frames [p, p + n), adds each
// segment whose dialogue time overlaps them at its frame-exact offset and returns n until the
// dialogue's last frame. All segments then share one clock (the output frame count), so they
// keep their relative timing to the frame. playedSeconds() gives the audible position; stop() is
// the mixer's teardown.
class AudioOutputStream : public QObject {
    Q_OBJECT

public:
    // Fills `interleaved` with up to `frames` frames in the stream's format and returns how many
    // it wrote. Returning fewer than `frames` (0 included) ends the stream. Called on the stream's
    // audio thread.
    using Render = std::function<qint64(float *interleaved, qint64 frames)>;

    explicit AudioOutputStream(QObject *parent = nullptr);
    ~AudioOutputStream() override;

    // The format `device` plays without converting: its own sample rate and channel count, as
    // 32-bit float. Invalid (sample rate 0) when there is no such device.
    static QAudioFormat deviceFormat(const QAudioDevice &device);
    // deviceFormat() of the system's default output.
    static QAudioFormat defaultFormat();

    // Stops any stream in progress, then plays `render` in `format` (float samples; rate and
    // channel count as chosen) on `device`, or on the default output when `device` is null.
    // Returns false, and plays nothing, when the device cannot be opened. Blocks the caller only
    // while the device opens.
    bool start(const QAudioFormat &format, Render render, const QAudioDevice &device = {});

    // Stops at once and drops the callback (on the audio thread, before returning). No finished()
    // follows. Safe at any time.
    void stop();

    // Started and neither stopped nor finished.
    bool isPlaying() const { return m_isPlaying; }
    QAudioFormat format() const { return m_format; }
    // Seconds of this stream that the device has played so far (0 when stopped).
    double playedSeconds() const;

signals:
    // The last rendered frame has been played. Emitted once per start(), on the main thread.
    void finished();

private:
    void onRenderFinished(quint64 generation);

    QThread *m_thread = nullptr;
    detail::OutputWorker *m_worker = nullptr; // lives on m_thread
    QAudioFormat m_format;
    quint64 m_generation = 0;
    bool m_isPlaying = false;
};

} // namespace chorale

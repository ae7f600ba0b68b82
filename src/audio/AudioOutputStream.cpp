// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioOutputStream.h"

#include "audio/AudioLogging.h"

#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace chorale {

namespace detail {

namespace {

// How often the audio thread checks whether the last frame has been heard.
constexpr int pollMilliseconds = 20;
// Extra time, beyond the audio still queued, allowed for the device to report the last frame
// played before the stream ends anyway (a device that stalls must not keep a stream alive).
constexpr qint64 endGraceMilliseconds = 4000;

} // namespace

// The QIODevice the sink pulls from: asks the render callback for frames and, once it has
// returned short, supplies silence so the sink keeps running until the end has been heard.
class PullDevice : public QIODevice {
public:
    PullDevice(AudioOutputStream::Render render, int channels)
        : m_render(std::move(render))
        , m_channels(channels) {
        open(QIODevice::ReadOnly);
    }

    bool ended() const { return m_ended; }
    qint64 renderedFrames() const { return m_rendered; }
    void dropRender() { m_render = nullptr; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return QIODevice::bytesAvailable() + (1 << 20); }

protected:
    qint64 readData(char *data, qint64 maxSize) override {
        const qint64 frameBytes = qint64(m_channels) * qint64(sizeof(float));
        const qint64 frames = maxSize / frameBytes;
        if (frames <= 0)
            return 0;
        // Rendered into our own float buffer: Qt's byte buffer need not be float-aligned.
        if (m_scratch.size() < size_t(frames * m_channels))
            m_scratch.resize(size_t(frames * m_channels));
        qint64 rendered = 0;
        if (!m_ended && m_render) {
            rendered = std::clamp<qint64>(m_render(m_scratch.data(), frames), 0, frames);
            m_rendered += rendered;
            if (rendered < frames) {
                m_ended = true;
                m_render = nullptr; // the source is done: release its files now
            }
        }
        std::fill(m_scratch.begin() + rendered * m_channels,
                  m_scratch.begin() + frames * m_channels, 0.0f);
        std::memcpy(data, m_scratch.data(), size_t(frames * frameBytes));
        return frames * frameBytes;
    }

    qint64 writeData(const char *, qint64) override { return -1; }

private:
    AudioOutputStream::Render m_render;
    int m_channels;
    std::vector<float> m_scratch;
    qint64 m_rendered = 0;
    bool m_ended = false;
};

// The sink side of an AudioOutputStream; lives on the stream's audio thread.
class OutputWorker : public QObject {
public:
    OutputWorker() {
        // A child, so that it moves to the audio thread with the worker.
        m_poll = new QTimer(this);
        m_poll->setInterval(pollMilliseconds);
        connect(m_poll, &QTimer::timeout, this, &OutputWorker::poll);
    }

    bool begin(const QAudioDevice &device, const QAudioFormat &format,
               AudioOutputStream::Render render, std::function<void()> onFinished) {
        end();
        m_format = format;
        m_onFinished = std::move(onFinished);
        m_endSeen = false;
        m_processedUSecs = 0;
        m_pull = new PullDevice(std::move(render), format.channelCount());
        m_sink = new QAudioSink(device, format);
        m_sink->start(m_pull);
        if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
            qCWarning(lcAudio) << "could not open output" << device.id() << m_sink->error();
            end();
            return false;
        }
        m_poll->start();
        return true;
    }

    void end() {
        m_poll->stop();
        if (m_sink) {
            m_sink->stop();
            delete m_sink;
            m_sink = nullptr;
        }
        delete m_pull;
        m_pull = nullptr;
        m_onFinished = nullptr;
        m_processedUSecs = 0;
    }

    qint64 processedUSecs() const { return m_processedUSecs; }

private:
    void poll() {
        if (!m_sink)
            return;
        const qint64 processed = m_sink->processedUSecs();
        m_processedUSecs = processed;
        const bool failed =
                m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError;
        if (!m_pull->ended() && !failed)
            return;
        const qint64 endUSecs = m_pull->renderedFrames() * 1'000'000 / m_format.sampleRate();
        if (!m_endSeen) {
            m_endSeen = true;
            m_endClock.start();
            m_endDeadline = std::max<qint64>(0, endUSecs - processed) / 1000 + endGraceMilliseconds;
        }
        if (processed < endUSecs && !failed && m_endClock.elapsed() < m_endDeadline)
            return;
        if (processed < endUSecs)
            qCWarning(lcAudio) << "output ended early at" << processed << "of" << endUSecs
                               << "µs; sink error" << m_sink->error();
        auto notify = std::move(m_onFinished);
        end();
        if (notify)
            notify();
    }

    QAudioSink *m_sink = nullptr;
    PullDevice *m_pull = nullptr;
    QAudioFormat m_format;
    QTimer *m_poll = nullptr;
    std::function<void()> m_onFinished;
    std::atomic<qint64> m_processedUSecs = 0;
    bool m_endSeen = false;
    QElapsedTimer m_endClock;
    qint64 m_endDeadline = 0;
};

} // namespace detail

AudioOutputStream::AudioOutputStream(QObject *parent)
    : QObject(parent) {}

AudioOutputStream::~AudioOutputStream() {
    stop();
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
        delete m_worker; // its thread has finished: safe to delete from here
        delete m_thread;
    }
}

QAudioFormat AudioOutputStream::deviceFormat(const QAudioDevice &device) {
    QAudioFormat format;
    if (device.isNull())
        return format;
    const QAudioFormat preferred = device.preferredFormat();
    if (preferred.sampleRate() <= 0 || preferred.channelCount() <= 0)
        return format;
    format.setSampleRate(preferred.sampleRate());
    format.setChannelCount(preferred.channelCount());
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

QAudioFormat AudioOutputStream::defaultFormat() {
    return deviceFormat(QMediaDevices::defaultAudioOutput());
}

bool AudioOutputStream::start(const QAudioFormat &format, Render render,
                              const QAudioDevice &device) {
    stop();
    if (!format.isValid() || format.sampleFormat() != QAudioFormat::Float || !render)
        return false;
    const QAudioDevice output = device.isNull() ? QMediaDevices::defaultAudioOutput() : device;
    if (output.isNull())
        return false;
    if (!m_thread) {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("chorale-output"));
        m_worker = new detail::OutputWorker;
        m_worker->moveToThread(m_thread);
        m_thread->start(QThread::TimeCriticalPriority);
    }

    const quint64 generation = ++m_generation;
    auto onFinished = [this, generation] {
        QMetaObject::invokeMethod(
                this, [this, generation] { onRenderFinished(generation); }, Qt::QueuedConnection);
    };
    bool started = false;
    QMetaObject::invokeMethod(
            m_worker,
            [&] { started = m_worker->begin(output, format, std::move(render), onFinished); },
            Qt::BlockingQueuedConnection);
    if (!started)
        return false;
    m_format = format;
    m_isPlaying = true;
    return true;
}

void AudioOutputStream::stop() {
    ++m_generation; // a finish already on its way belongs to the stopped stream
    if (!m_isPlaying)
        return;
    m_isPlaying = false;
    QMetaObject::invokeMethod(
            m_worker, [this] { m_worker->end(); }, Qt::BlockingQueuedConnection);
}

double AudioOutputStream::playedSeconds() const {
    return m_isPlaying ? double(m_worker->processedUSecs()) * 1e-6 : 0.0;
}

void AudioOutputStream::onRenderFinished(quint64 generation) {
    if (generation != m_generation || !m_isPlaying)
        return;
    m_isPlaying = false;
    emit finished();
}

} // namespace chorale

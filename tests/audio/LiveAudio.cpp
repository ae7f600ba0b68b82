// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveAudio.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QThread>

#include <cmath>
#include <numbers>

namespace chorale::test {

namespace {

std::optional<QAudioDevice> inputNamed(const QByteArray &id) {
    for (const QAudioDevice &device : QMediaDevices::audioInputs()) {
        if (device.id() == id)
            return device;
    }
    return std::nullopt;
}

} // namespace

QString audioUnavailableReason(bool needInput) {
    if (QMediaDevices::defaultAudioOutput().isNull())
        return QStringLiteral("no audio output device");
    if (needInput && !testSource())
        return qEnvironmentVariableIsSet("CHORALE_TEST_SOURCE")
                       ? QStringLiteral("capture device %1 not found")
                                 .arg(qEnvironmentVariable("CHORALE_TEST_SOURCE"))
                       : QStringLiteral("no capture device");
    return QString();
}

bool audioRequired() {
    return !qEnvironmentVariable("CHORALE_REQUIRE_AUDIO").isEmpty();
}

std::optional<QAudioDevice> testSource() {
    if (qEnvironmentVariableIsSet("CHORALE_TEST_SOURCE"))
        return inputNamed(qgetenv("CHORALE_TEST_SOURCE"));
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    return device.isNull() ? std::nullopt : std::optional(device);
}

bool testSourceIsSine() {
    return qEnvironmentVariableIsSet("CHORALE_TEST_SOURCE") && testSource().has_value();
}

std::optional<QAudioDevice> stereoTestSource() {
    if (!qEnvironmentVariableIsSet("CHORALE_TEST_STEREO_SOURCE"))
        return std::nullopt;
    return inputNamed(qgetenv("CHORALE_TEST_STEREO_SOURCE"));
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

long long sineDiscontinuities(const std::vector<float> &samples, double frequency,
                              double sampleRate) {
    const double k = 2 * std::cos(2 * std::numbers::pi * frequency / sampleRate);
    double peak = 0;
    for (const float x : samples)
        peak = std::max(peak, double(std::abs(x)));
    const double tolerance = std::max(peak * 1e-3, 1e-6);
    long long breaks = 0;
    for (size_t i = 2; i < samples.size(); ++i) {
        const double predicted = k * samples[i - 1] - samples[i - 2];
        if (std::abs(predicted - samples[i]) > tolerance)
            ++breaks;
    }
    return breaks;
}

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioDeviceList.h"

#include <QCollator>
#include <QLocale>
#include <QMediaDevices>

#include <algorithm>

namespace chorale::AudioDeviceList {

namespace {

bool containsIgnoringCase(const QLocale &locale, const QString &text, const QString &word) {
    return locale.toLower(text).contains(locale.toLower(word));
}

} // namespace

QList<AudioInputDevice> inputs(const QList<DeviceDescription> &devices, quint32 defaultID) {
    const QLocale locale;
    QList<AudioInputDevice> result;
    for (const DeviceDescription &d : devices) {
        if (d.inputChannels < 1)
            continue;
        AudioInputDevice device;
        device.id = d.id;
        device.name = d.name.value_or(QStringLiteral("Microphone %1").arg(d.id));
        device.uid = d.uid.value_or(QString::number(d.id));
        device.isBuiltin = d.builtInTransport ||
                           containsIgnoringCase(locale, device.name, QStringLiteral("macbook")) ||
                           containsIgnoringCase(locale, device.name, QStringLiteral("built-in"));
        result.append(device);
    }

    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(),
                     [&](const AudioInputDevice &a, const AudioInputDevice &b) {
                         if (a.id == defaultID)
                             return b.id != defaultID;
                         if (b.id == defaultID)
                             return false;
                         if (a.isBuiltin != b.isBuiltin)
                             return a.isBuiltin;
                         return collator.compare(a.name, b.name) < 0;
                     });
    return result;
}

QList<AudioInputDevice> inputs() {
    QList<DeviceDescription> descriptions;
    for (const QAudioDevice &device : QMediaDevices::audioInputs())
        descriptions.append(describe(device));
    return inputs(descriptions, defaultInputID());
}

quint32 defaultInputID() {
    // QAudioDevice::isDefault() is false for PulseAudio's default source; the default device's id
    // is reliable.
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    return device.isNull() ? 0 : deviceID(device.id());
}

quint32 selection(const QList<AudioInputDevice> &devices, std::optional<quint32> previous,
                  quint32 defaultID) {
    if (previous && std::any_of(devices.begin(), devices.end(),
                                [&](const AudioInputDevice &d) { return d.id == *previous; }))
        return *previous;
    if (!devices.isEmpty())
        return devices.first().id;
    return defaultID;
}

quint32 deviceID(const QByteArray &platformID) {
    quint32 hash = 2166136261u;
    for (const char c : platformID) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return hash == 0 ? 1 : hash;
}

bool isBuiltInCard(const QByteArray &platformID) {
    return platformID.startsWith("alsa_input.pci-") ||
           platformID.startsWith("alsa_input.platform-");
}

DeviceDescription describe(const QAudioDevice &device) {
    DeviceDescription d;
    d.id = deviceID(device.id());
    if (!device.description().isEmpty())
        d.name = device.description();
    if (!device.id().isEmpty())
        d.uid = QString::fromUtf8(device.id());
    // The preferred format carries the source's own channel count; the min/max channel counts
    // only say what the audio system would convert to.
    d.inputChannels = device.mode() == QAudioDevice::Input && !device.isNull()
                              ? device.preferredFormat().channelCount()
                              : 0;
    d.builtInTransport = isBuiltInCard(device.id());
    return d;
}

std::optional<QAudioDevice> findInput(quint32 id) {
    if (id == 0)
        return std::nullopt;
    for (const QAudioDevice &device : QMediaDevices::audioInputs()) {
        if (deviceID(device.id()) == id)
            return device;
    }
    return std::nullopt;
}

} // namespace chorale::AudioDeviceList

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/AudioInputDevice.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The microphones the Record screen offers, built on demand from the audio system (PulseAudio or
// PipeWire through Qt Multimedia). Stateless; call on the main thread.
//
// The listing rules are a pure function over DeviceDescription so they can be checked without
// hardware; inputs() only reads the devices and hands them to it.
namespace chorale::AudioDeviceList {

// What the audio system tells about one device, before the listing rules apply.
struct DeviceDescription {
    quint32 id = 0;
    std::optional<QString> name;   // nothing when the device has no name
    std::optional<QString> uid;    // nothing when the device has no unique identifier
    int inputChannels = 0;         // 0 for an output-only device
    bool builtInTransport = false; // the audio system says the device is part of the machine
};

// The capture devices among `devices`: those with at least one input channel, missing names
// replaced by "Microphone <id>" and missing uids by the decimal id, classed built in by their
// transport or, failing that, by a name containing "macbook" or "built-in" (any case). Sorted
// stably: the device `defaultID` first, then built-in devices, then by name (localized,
// case-insensitive).
QList<AudioInputDevice> inputs(const QList<DeviceDescription> &devices, quint32 defaultID);

// The current capture devices, sorted as above. Never fails: an unreachable audio system gives an
// empty list.
QList<AudioInputDevice> inputs();

// The identifier of the system's default input device; 0 when there is none.
quint32 defaultInputID();

// The picker's selection after a refresh: `previous` when it is still listed, else the first
// listed device, else `defaultID` (which may be 0).
quint32 selection(const QList<AudioInputDevice> &devices, std::optional<quint32> previous,
                  quint32 defaultID);

// The device identifier for an audio-system device id: a stable 32-bit FNV-1a hash of the id's
// bytes (the same on every run), never 0.
quint32 deviceID(const QByteArray &platformID);

// True for a source on a PCI or platform sound card ("alsa_input.pci-…", "alsa_input.platform-…"):
// the machine's own audio hardware.
bool isBuiltInCard(const QByteArray &platformID);

// How inputs() sees one Qt device.
DeviceDescription describe(const QAudioDevice &device);

// The capture device with identifier `id`; nothing when no current device has it.
std::optional<QAudioDevice> findInput(quint32 id);

} // namespace chorale::AudioDeviceList

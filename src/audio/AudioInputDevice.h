// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHashFunctions>
#include <QString>

namespace chorale {

// One capture device as the Record screen's picker shows it. Plain value; equal when all four
// fields are equal.
struct AudioInputDevice {
    // Stable 32-bit identifier (see AudioDeviceList::deviceID); never 0 for a real device.
    quint32 id = 0;
    // The device's human-readable name, or "Microphone <id>" when it has none.
    QString name;
    // The audio system's own identifier (a PulseAudio/PipeWire source name), or the decimal id.
    QString uid;
    // The machine's own microphone rather than a USB or other external device.
    bool isBuiltin = false;

    // "<name> (Built-in)" or "<name> (USB / External)".
    QString displayLabel() const;

    friend bool operator==(const AudioInputDevice &, const AudioInputDevice &) = default;
};

inline size_t qHash(const AudioInputDevice &device, size_t seed = 0) {
    return qHashMulti(seed, device.id, device.name, device.uid, device.isBuiltin);
}

} // namespace chorale

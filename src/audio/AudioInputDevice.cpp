// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioInputDevice.h"

namespace chorale {

QString AudioInputDevice::displayLabel() const {
    return name + (isBuiltin ? QStringLiteral(" (Built-in)") : QStringLiteral(" (USB / External)"));
}

} // namespace chorale

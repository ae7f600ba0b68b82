// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Preferences.h"

namespace chorale {

std::unique_ptr<QSettings> openPreferences() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Chorale"), QStringLiteral("Chorale"));
}

} // namespace chorale

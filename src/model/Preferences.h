// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>

#include <memory>

namespace chorale {

// The app's user-defaults store (~/.config/Chorale/Chorale.conf), shared by the app and the
// command-line tool. Keys are the "chl.*" names used throughout.
std::unique_ptr<QSettings> openPreferences();

} // namespace chorale

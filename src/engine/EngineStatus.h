// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace chorale {

// The voice engine's start-up state as the main window shows it.
struct EngineStatus {
    bool ready = false;   // models loaded; requests can be served
    bool loading = false; // model preparation under way
    bool started = false; // a start has been attempted since the app opened
    double progress = 0;  // model preparation progress as the engine reports it, 0 to 1
    QString message = QStringLiteral("Idle");
    // The last start-up failure or engine-reported error. Present but empty is possible (an
    // engine that reports an empty error); it does not count as a failure.
    std::optional<QString> error;

    bool operator==(const EngineStatus &) const = default;
};

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/EnginePaths.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace chorale::test {

// Points the engine launcher at the scriptable test engine (tests/engine/fake_engine.py, run
// by /usr/bin/python3) for the lifetime of this object, and reads back what that engine saw.
// Create it after the test's TempDataRoot. Knobs are the FAKE_ENGINE_* variables documented at
// the top of fake_engine.py; set them before the engine is launched.
class FakeEngine {
public:
    FakeEngine();
    ~FakeEngine();
    FakeEngine(const FakeEngine &) = delete;
    FakeEngine &operator=(const FakeEngine &) = delete;

    static QString script();
    static QString interpreter();

    // Sets FAKE_ENGINE_<knob> (e.g. "STATUS", "CONVERT") for the next launch.
    void set(const QString &knob, const QByteArray &value);
    // The search places in force; change them and call apply() to move the script.
    EnginePaths::SearchPlaces &places() { return m_places; }
    void apply();

    // Everything the engine logged, in order.
    QList<QJsonObject> events() const;
    // How many engine processes started.
    int starts() const;
    // The requests that reached `path`, in order (each with "method", "path" and "body").
    QList<QJsonObject> requests(const QString &path) const;
    QString logPath() const { return m_log; }

private:
    EnginePaths::SearchPlaces m_places;
    QString m_log;
    QStringList m_variables;
};

} // namespace chorale::test

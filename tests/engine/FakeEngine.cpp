// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeEngine.h"

#include "model/DataPaths.h"
#include "support/TestData.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace chorale::test {

FakeEngine::FakeEngine()
    : m_log(DataPaths::root() + QStringLiteral("-fake-engine.log")) {
    QFile::remove(m_log);
    // Only the script variable and the fixed interpreter lead anywhere.
    const QString nowhere = DataPaths::root() + QStringLiteral("-nowhere");
    QDir().mkpath(nowhere);
    m_places.scriptOverride = script();
    m_places.executableDirectory = nowhere;
    m_places.workingDirectory = nowhere;
    m_places.dataRoot = DataPaths::root();
    m_places.fixedInterpreters = {interpreter()};
    apply();
    set(QStringLiteral("LOG"), m_log.toUtf8());
}

FakeEngine::~FakeEngine() {
    EnginePaths::setSearchPlacesOverride(std::nullopt);
    for (const QString &name : m_variables)
        qunsetenv(name.toUtf8().constData());
}

QString FakeEngine::script() {
    return sourceDir() + QStringLiteral("/tests/engine/fake_engine.py");
}

QString FakeEngine::interpreter() {
    return QStringLiteral("/usr/bin/python3");
}

void FakeEngine::set(const QString &knob, const QByteArray &value) {
    const QString name = QStringLiteral("FAKE_ENGINE_") + knob;
    qputenv(name.toUtf8().constData(), value);
    if (!m_variables.contains(name))
        m_variables << name;
}

void FakeEngine::apply() {
    EnginePaths::setSearchPlacesOverride(m_places);
}

QList<QJsonObject> FakeEngine::events() const {
    QList<QJsonObject> events;
    QFile file(m_log);
    if (!file.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty())
            events << QJsonDocument::fromJson(line).object();
    }
    return events;
}

int FakeEngine::starts() const {
    int count = 0;
    for (const QJsonObject &e : events())
        count += e.value("event") == QStringLiteral("start") ? 1 : 0;
    return count;
}

QList<QJsonObject> FakeEngine::requests(const QString &path) const {
    QList<QJsonObject> found;
    for (const QJsonObject &e : events()) {
        if (e.value("event") == QStringLiteral("request") && e.value("path") == path)
            found << e;
    }
    return found;
}

} // namespace chorale::test

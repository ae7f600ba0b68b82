// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestData.h"

#include "model/DataPaths.h"
#include "model/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace chorale::test {

TempDataRoot::TempDataRoot() {
    QDir(m_dir.path()).mkpath(QStringLiteral("scratch"));
    DataPaths::setRootOverride(m_dir.path() + QStringLiteral("/Chorale"));
    openPreferences()->clear();
}

TempDataRoot::~TempDataRoot() {
    DataPaths::setRootOverride({});
    openPreferences()->clear();
}

QString TempDataRoot::path() const {
    return DataPaths::root();
}

QString TempDataRoot::scratch(const QString &name) const {
    return m_dir.path() + QStringLiteral("/scratch/") + name;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString sourceDir() {
    return QString::fromLocal8Bit(qgetenv("CHORALE_SOURCE_DIR"));
}

} // namespace chorale::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace chorale::test {

// A fresh, empty data root for one test: points the app's data directory at a new temporary
// folder and clears the preferences; both are restored/removed when it goes out of scope.
class TempDataRoot {
public:
    TempDataRoot();
    ~TempDataRoot();
    TempDataRoot(const TempDataRoot &) = delete;
    TempDataRoot &operator=(const TempDataRoot &) = delete;

    QString path() const;
    // A scratch folder outside the data root, for source files a test imports.
    QString scratch(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
// Root of the source tree (for shipped resources).
QString sourceDir();

} // namespace chorale::test

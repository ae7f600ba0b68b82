// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

// "Show in File Manager": asks the desktop's file manager to open the folder of a file with the
// file selected (org.freedesktop.FileManager1.ShowItems on the session bus). Without a session
// bus or a file manager that answers, the folder is opened with the default application.
namespace chorale::FileReveal {

void reveal(const QString &path);

// The folder opened when the file manager cannot select the file.
QUrl fallbackFolder(const QString &path);

} // namespace chorale::FileReveal

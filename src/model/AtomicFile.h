// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace chorale::AtomicFile {

// Writes `bytes` to `path` crash-safely: a hidden temporary file in the same folder is written,
// flushed and synced, then renamed over `path`, and the folder entry is synced. A reader sees
// the old file or the new one, never a mix. Throws ChoraleError (platform) with the system's
// message on failure; the old file is then untouched.
void write(const QString &path, const QByteArray &bytes);

// Same guarantee for files produced by other code: `produce` writes the complete file at the
// temporary path it is given (it may throw); the result replaces `path` only after success.
// The temporary file is removed on every failure.
void replace(const QString &path, const std::function<void(const QString &tempPath)> &produce);

// A unique hidden temporary path in the folder of `path`.
QString temporaryPathBeside(const QString &path);

} // namespace chorale::AtomicFile

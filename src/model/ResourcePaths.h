// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// Where the files that ship with the app live: <exe dir>/../share/chorale, holding "engine/",
// "voices/" and "whisper/". Build trees get the same layout (build/<kind>/bin next to
// build/<kind>/share/chorale), so running from a build and running installed behave alike.
namespace chorale::ResourcePaths {

// The resource folder, when it exists.
std::optional<QString> resourceDirectory();
// Folder of the running executable.
QString executableDirectory();
// Points resourceDirectory() elsewhere (tests); an empty path means "no resource folder", and
// std::nullopt restores the normal lookup.
void setResourceDirectoryOverride(const std::optional<QString> &path);

// `base` + `relative`, with "." and ".." resolved.
QString normalized(const QString &base, const QString &relative);

} // namespace chorale::ResourcePaths

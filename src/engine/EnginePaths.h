// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where the voice engine's script and the Python interpreter that runs it are found.
namespace chorale::EnginePaths {

// Set to a script path to try it before every other location (developers pointing the app at
// another engine).
inline constexpr const char *scriptVariable = "CHORALE_ENGINE_SCRIPT";

// The places the search looks in. `current()` is the running app's; tests build their own.
struct SearchPlaces {
    QString scriptOverride; // $CHORALE_ENGINE_SCRIPT; empty when unset
    std::optional<QString> resourceDirectory;
    QString executableDirectory;
    QString workingDirectory;
    QString dataRoot;
    QStringList fixedInterpreters;

    static SearchPlaces current();
};

// Interpreter locations tried after the ones beside the script and in the data root.
QStringList defaultFixedInterpreters();

// Candidates in search order, normalised.
QStringList serverCandidates(const SearchPlaces &places);
// Needs the script's location for the first three candidates; skips them when it is missing.
QStringList pythonCandidates(const SearchPlaces &places);

// The first candidate that exists; ChoraleError::engineUnavailable otherwise.
QString serverURL(const SearchPlaces &places);
QString serverURL();
// The first candidate that is an executable file; ChoraleError::engineUnavailable otherwise.
QString pythonURL(const SearchPlaces &places);
QString pythonURL();
// "vendor/seed-vc" beside the script (not checked for existence); none without a script.
std::optional<QString> seedVcURL(const SearchPlaces &places);
std::optional<QString> seedVcURL();

// The folder the engine runs in: the voice-conversion checkout when one ships beside the
// script; none otherwise (the engine then keeps the app's working directory).
std::optional<QString> workingDirectory();

// Replaces `SearchPlaces::current()` for this process (tests); std::nullopt restores it.
void setSearchPlacesOverride(const std::optional<SearchPlaces> &places);

} // namespace chorale::EnginePaths

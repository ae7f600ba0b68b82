// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Formatters.h"

#include <cmath>
#include <cstdio>

namespace chorale::Formatters {

namespace {
// C printf rounding (ties to even on exact halves), which Qt's own formatter does not follow.
template <typename... Args>
QString cFormat(const char *format, Args... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return QString::fromLatin1(buffer);
}

// Beyond this a double no longer fits the integer minute arithmetic; nothing real gets close.
constexpr double largestSeconds = 1e15;
} // namespace

QString duration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("—");
    const auto total = static_cast<long long>(std::round(std::min(seconds, largestSeconds)));
    return cFormat("%lld:%02lld", total / 60, total % 60);
}

QString clock(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00.0");
    seconds = std::min(seconds, largestSeconds);
    const auto minutes = static_cast<long long>(seconds) / 60;
    return cFormat("%lld:%04.1f", minutes, std::fmod(seconds, 60.0));
}

} // namespace chorale::Formatters

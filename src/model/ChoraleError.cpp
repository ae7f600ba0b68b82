// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/ChoraleError.h"

namespace chorale {

ChoraleError::ChoraleError(Kind kind, QString message, double seconds)
    : m_kind(kind)
    , m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
    , m_seconds(seconds) {}

ChoraleError ChoraleError::durationOutOfRange(double seconds) {
    return {Kind::durationOutOfRange,
            QStringLiteral("Voice clips must be 3–30 seconds. This file is %1s.")
                    .arg(QString::asprintf("%.1f", seconds)),
            seconds};
}

ChoraleError ChoraleError::engineUnavailable(const QString &message) {
    return {Kind::engineUnavailable, message};
}

ChoraleError ChoraleError::conversionFailed(const QString &message) {
    return {Kind::conversionFailed, message};
}

ChoraleError ChoraleError::unreadableAudio() {
    return {Kind::unreadableAudio,
            QStringLiteral("Could not read this audio file. Use WAV, FLAC, or MP3.")};
}

ChoraleError ChoraleError::missingCharacter() {
    return {Kind::missingCharacter,
            QStringLiteral("Choose a character and emotion before cloning.")};
}

ChoraleError ChoraleError::noClonedTakes() {
    return {Kind::noClonedTakes, QStringLiteral("None of the selected takes have a clone yet.")};
}

ChoraleError ChoraleError::platform(const QString &message) {
    return {Kind::platform, message};
}

QString describeError(const std::exception &error) {
    if (const auto *chorale = dynamic_cast<const ChoraleError *>(&error))
        return chorale->message();
    return QString::fromUtf8(error.what());
}

} // namespace chorale

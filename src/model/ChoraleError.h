// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>

namespace chorale {

// The app's one error type: every failure a user can see carries one of these cases and the
// message the screens show for it.
class ChoraleError : public std::exception {
public:
    enum class Kind {
        durationOutOfRange,
        engineUnavailable,
        conversionFailed,
        unreadableAudio,
        missingCharacter,
        noClonedTakes,
        // Failures of the platform (file system, decoding); the message is the library's own.
        platform,
    };

    static ChoraleError durationOutOfRange(double seconds);
    static ChoraleError engineUnavailable(const QString &message);
    static ChoraleError conversionFailed(const QString &message);
    static ChoraleError unreadableAudio();
    static ChoraleError missingCharacter();
    static ChoraleError noClonedTakes();
    static ChoraleError platform(const QString &message);

    Kind kind() const noexcept { return m_kind; }
    // The user-facing description.
    const QString &message() const noexcept { return m_message; }
    // Payload of durationOutOfRange (the clip's length); 0 for other kinds.
    double seconds() const noexcept { return m_seconds; }

    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    ChoraleError(Kind kind, QString message, double seconds = 0);

    Kind m_kind;
    QString m_message;
    QByteArray m_utf8;
    double m_seconds;
};

// The user-readable text of any exception that reached a screen.
QString describeError(const std::exception &error);

} // namespace chorale

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

/// How text travels through a null-flush Apertium pipeline: Apertium's stream format, done here
/// because the pair's own deformatter cannot be kept running between requests.
///
/// A request is the escaped text, a closing ".[]" and a NUL, then a marker "[nonce-N]" and a NUL.
/// The full stop ends the sentence so that every stage flushes it, the marker tells whose reply
/// comes back, and lttoolbox's flush bug at a word end hits the marker, never the text. Any thread.
class ApertiumStreamFormat
{
public:
    /// The bytes to write for \a text as request \a nonce. NUL (which ends a request), line breaks
    /// and other blanks become spaces; other control characters are left out.
    static QByteArray encodeRequest(const QString &text, quint64 nonce);

    /// The record that follows the reply to request \a nonce (without its NUL).
    static QByteArray marker(quint64 nonce);

    /// The nonce of \a record when it is a marker.
    static std::optional<quint64> nonceOf(const QByteArray &record);

    /// The text of a reply record: the closing ".[]" removed, escapes undone, blanks that
    /// Apertium adds or doubles folded into single spaces.
    static QString decodeReply(const QByteArray &record);

    /// \a text with Apertium's reserved characters escaped, blanks as spaces and other control
    /// characters left out.
    static QString escape(const QString &text);
};

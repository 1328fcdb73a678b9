// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFileDevice>
#include <QString>
#include <optional>

/// Writes \a contents as the whole file at \a path, with \a permissions when given, replacing what
/// was there only once every byte is written: otherwise the old file, or none, stays as it was.
/// Why the write failed, in the system's words; none on success.
///
/// Qt's QSaveFile alone commits a file whose buffered bytes a full disk refused, empty, and says it
/// succeeded: the bytes are flushed and checked here before the file takes the place of the old.
std::optional<QString> writeWholeFile(const QString &path, const QByteArray &contents,
                                      QFileDevice::Permissions permissions = {});

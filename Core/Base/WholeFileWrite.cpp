// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeFileWrite.h"

#include <QSaveFile>

std::optional<QString> writeWholeFile(const QString &path, const QByteArray &contents,
                                      QFileDevice::Permissions permissions)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (permissions)
        file.setPermissions(permissions);
    if (file.write(contents) != contents.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReleaseNotesBrowser.h"

#include <QTextBlock>
#include <QTextCursor>

ReleaseNotesBrowser::ReleaseNotesBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    // Followed in place, a link would load its page through loadResource(), which loads nothing.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

void ReleaseNotesBrowser::showNotes(const QString &html)
{
    setHtml(html);
    removePictures();
}

QVariant ReleaseNotesBrowser::loadResource(int, const QUrl &)
{
    // Empty, but not null: for a null answer the document reads local files itself.
    return QByteArray();
}

void ReleaseNotesBrowser::removePictures()
{
    // Qt draws a picture that no resource provides from the file of its name, whatever
    // loadResource() says; gone from the text, it is not drawn at all.
    QList<std::pair<int, int>> pictures;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            if (fragment.fragment().charFormat().isImageFormat())
                pictures.append({fragment.fragment().position(), fragment.fragment().length()});
        }
    }
    QTextCursor cursor(document());
    // From the end, so that the positions before stay true.
    for (auto picture = pictures.crbegin(); picture != pictures.crend(); ++picture) {
        cursor.setPosition(picture->first);
        cursor.setPosition(picture->first + picture->second, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

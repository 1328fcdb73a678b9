// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextBrowser>

/// Release notes from an update feed: its HTML shown without loading anything the HTML refers to
/// (pictures, style sheets, files of this computer), and its links handed to the caller through
/// anchorClicked() rather than followed in place. Main thread.
class ReleaseNotesBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit ReleaseNotesBrowser(QWidget *parent = nullptr);

    /// Shows \a html without its pictures.
    void showNotes(const QString &html);

    /// Nothing: what the feed's HTML points at stays where it is.
    QVariant loadResource(int type, const QUrl &name) override;

private:
    void removePictures();
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

/// The first-run window's content: a welcome, and the tray icon to click, since the program has
/// no main window to find it by.
///
/// It has no controls and changes no setting; Escape closes its window. Main thread.
class OnboardingView : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingView(QWidget *parent = nullptr);

    /// The texts on either side of the icon in \a instruction, split at "%@". A translation
    /// without the placeholder gives its text once, before the icon.
    static QStringList instructionPieces(const QString &instruction);

protected:
    void paintEvent(QPaintEvent *event) override;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

/// A choice of font family: "System" first, then the installed families in plain string order,
/// read again each time the list opens, so a font installed meanwhile is there.
class FontPicker : public QComboBox
{
    Q_OBJECT

public:
    explicit FontPicker(QWidget *parent = nullptr);

    /// The chosen family, "System" for the desktop's general font.
    QString family() const { return currentData().toString(); }
    /// Shows \a family as chosen; a family that is not installed shows no choice.
    void setFamily(const QString &family);

    /// "System", then \a families sorted by plain string comparison.
    static QStringList choices(QStringList families);

    void showPopup() override;

private:
    void fill(const QStringList &families);
};

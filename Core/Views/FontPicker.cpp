// SPDX-License-Identifier: GPL-3.0-or-later
#include "FontPicker.h"

#include <QFontDatabase>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString systemChoice = u"System"_s;

} // namespace

FontPicker::FontPicker(QWidget *parent)
    : QComboBox(parent)
{
    fill(QFontDatabase::families());
}

QStringList FontPicker::choices(QStringList families)
{
    // Plain comparison of the UTF-16 text, as promised, rather than the locale's collation.
    std::sort(families.begin(), families.end(),
              [](const QString &a, const QString &b) { return a.compare(b) < 0; });
    families.prepend(systemChoice);
    return families;
}

void FontPicker::setFamily(const QString &family)
{
    setCurrentIndex(findData(family));
}

void FontPicker::showPopup()
{
    fill(QFontDatabase::families());
    QComboBox::showPopup();
}

void FontPicker::fill(const QStringList &families)
{
    const QSignalBlocker quiet(this);
    const QString chosen = family();
    clear();
    for (const QString &choice : choices(families))
        addItem(choice, choice);
    setFamily(chosen);
}

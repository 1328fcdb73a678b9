// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>

/// The controls shown with \a root that a screen reader would announce without a name: buttons,
/// sliders, pickers and fields, each listed by its class and object name.
inline QStringList unnamedControls(const QWidget &root)
{
    QStringList unnamed;
    for (QWidget *widget : root.findChildren<QWidget *>()) {
        const bool isControl =
            qobject_cast<QAbstractButton *>(widget) || qobject_cast<QAbstractSlider *>(widget) ||
            qobject_cast<QComboBox *>(widget) || qobject_cast<QLineEdit *>(widget);
        if (!isControl || !widget->isVisibleTo(&root))
            continue;
        const QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + u' ' +
                           widget->objectName();
    }
    return unnamed;
}

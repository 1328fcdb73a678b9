// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>
#include <compare>

/// Orders two version texts as desktop updaters do: runs of digits compare as numbers (1.10 is
/// newer than 1.9), runs of letters as text without regard to case, and separators only divide.
///
/// Missing trailing zeros count as zeros (1.0 is 1.0.0), and letters where the other version has
/// ended mark a pre-release (1.0b1 is older than 1.0). Any thread.
std::weak_ordering compareVersions(QStringView left, QStringView right);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Base/CharacterSequence.h"

#include <QSet>
#include <QStringList>

/// The longest common substring found the plain way: a bisection on the length, each probe a set
/// of every window of that length in \a a, scanned by the windows of \a b from the start. Slow on
/// long texts, plainly right: the yardstick for the fast search.
inline QString referenceLongestCommonSubstring(const QString &a, const QString &b)
{
    CharacterSequence::Numbering numbering;
    const CharacterSequence first(a, numbering);
    const CharacterSequence second(b, numbering);
    const auto window = [](const CharacterSequence &text, qsizetype start, qsizetype length) {
        return std::vector<int>(text.ids().begin() + start, text.ids().begin() + start + length);
    };
    const auto commonOfLength = [&](qsizetype length) -> std::optional<qsizetype> {
        QSet<QList<int>> windows;
        for (qsizetype start = 0; start + length <= first.size(); ++start) {
            const std::vector<int> w = window(first, start, length);
            windows.insert(QList<int>(w.begin(), w.end()));
        }
        for (qsizetype start = 0; start + length <= second.size(); ++start) {
            const std::vector<int> w = window(second, start, length);
            if (windows.contains(QList<int>(w.begin(), w.end())))
                return start;
        }
        return std::nullopt;
    };

    qsizetype high = std::min(first.size(), second.size());
    qsizetype low = 0;
    QString best;
    while (high > 0) {
        const qsizetype middle = (low + high + 1) / 2;
        if (const std::optional<qsizetype> start = commonOfLength(middle)) {
            best = second.mid(*start, middle);
            low = middle;
            if (middle >= high)
                break;
        } else {
            high = middle - 1;
            if (low >= high)
                break;
        }
    }
    return best;
}

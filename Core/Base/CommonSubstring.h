// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <vector>

/// Searches in sequences of character numbers, in time that grows linearly with their lengths,
/// so that an hour-long transcript costs the main thread no more than its newest words do.
class CommonSubstring
{
public:
    /// A run of \a length characters starting at \a start; length 0 means none.
    struct Match
    {
        qsizetype start = 0;
        qsizetype length = 0;
    };

    CommonSubstring() = delete;

    /// The longest run that occurs in both \a a and \a b; of several equally long ones, the one
    /// that starts earliest in \a b. Its start is a position in \a b.
    static Match longest(const std::vector<int> &a, const std::vector<int> &b);

    /// Where \a needle occurs last in \a haystack (the occurrence that starts latest), or -1;
    /// an empty needle occurs nowhere.
    static qsizetype lastOccurrence(const std::vector<int> &haystack,
                                    const std::vector<int> &needle);
};

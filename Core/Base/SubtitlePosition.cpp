// SPDX-License-Identifier: GPL-3.0-or-later
#include "SubtitlePosition.h"

#include <array>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

const std::array<std::pair<SubtitlePosition, QString>, 3> names{{
    {SubtitlePosition::Floating, u"floating"_s},
    {SubtitlePosition::Top, u"top"_s},
    {SubtitlePosition::Bottom, u"bottom"_s},
}};

} // namespace

QString StoredSubtitlePosition::rawValue(SubtitlePosition position)
{
    for (const auto &[value, name] : names) {
        if (value == position)
            return name;
    }
    return names.front().second;
}

std::optional<SubtitlePosition> StoredSubtitlePosition::fromRawValue(const QString &rawValue)
{
    for (const auto &[value, name] : names) {
        if (name == rawValue)
            return value;
    }
    return std::nullopt;
}

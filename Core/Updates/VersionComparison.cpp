// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionComparison.h"

#include <QList>

namespace {

enum class Kind { Number, Letters, Separator };

struct Part
{
    Kind kind;
    QStringView text;
};

Kind kindOf(QChar c)
{
    // ASCII digits only: other scripts' digits have no number value that a feed could mean.
    if (c >= u'0' && c <= u'9')
        return Kind::Number;
    return c.isLetter() ? Kind::Letters : Kind::Separator;
}

QList<Part> partsOf(QStringView version)
{
    QList<Part> parts;
    qsizetype start = 0;
    for (qsizetype end = 1; end <= version.size(); ++end) {
        const Kind kind = kindOf(version.at(start));
        if (end < version.size() && kindOf(version.at(end)) == kind)
            continue;
        if (kind != Kind::Separator)
            parts.append({kind, version.sliced(start, end - start)});
        start = end;
    }
    return parts;
}

// Numbers of any length, without overflow: fewer digits after the leading zeros is smaller.
std::weak_ordering compareNumbers(QStringView left, QStringView right)
{
    while (left.size() > 1 && left.front() == u'0')
        left = left.sliced(1);
    while (right.size() > 1 && right.front() == u'0')
        right = right.sliced(1);
    if (left.size() != right.size())
        return left.size() <=> right.size();
    return left.compare(right) <=> 0;
}

std::weak_ordering compareParts(const Part &left, const Part &right)
{
    // A number where the other has letters is a release where the other has a pre-release.
    if (left.kind != right.kind)
        return left.kind == Kind::Number ? std::weak_ordering::greater : std::weak_ordering::less;
    if (left.kind == Kind::Number)
        return compareNumbers(left.text, right.text);
    return left.text.compare(right.text, Qt::CaseInsensitive) <=> 0;
}

// How the longer version's \a tail weighs against nothing: zeros weigh nothing, letters make it a
// pre-release, and any other number a later release.
std::weak_ordering compareTail(const QList<Part> &tail)
{
    for (const Part &part : tail) {
        if (part.kind == Kind::Letters)
            return std::weak_ordering::less;
        if (compareNumbers(part.text, u"0") != 0)
            return std::weak_ordering::greater;
    }
    return std::weak_ordering::equivalent;
}

} // namespace

std::weak_ordering compareVersions(QStringView left, QStringView right)
{
    const QList<Part> leftParts = partsOf(left);
    const QList<Part> rightParts = partsOf(right);
    const qsizetype shared = std::min(leftParts.size(), rightParts.size());
    for (qsizetype index = 0; index < shared; ++index) {
        const std::weak_ordering order = compareParts(leftParts.at(index), rightParts.at(index));
        if (order != 0)
            return order;
    }
    if (leftParts.size() >= rightParts.size())
        return compareTail(leftParts.mid(shared));
    return 0 <=> compareTail(rightParts.mid(shared));
}

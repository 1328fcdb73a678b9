// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReleaseNotes.h"

#include <QList>
#include <QUrl>
#include <algorithm>
#include <iterator>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringView keptElements[] = {u"p",      u"br", u"ul", u"ol",   u"li",        u"b",
                                    u"strong", u"i",  u"em", u"code", u"pre",       u"h1",
                                    u"h2",     u"h3", u"h4", u"a",    u"blockquote"};
// Their content is no text to read either.
const QStringView droppedWhole[] = {u"script", u"style", u"head", u"title"};

bool isOneOf(QStringView name, const auto &names)
{
    return std::any_of(std::begin(names), std::end(names),
                       [name](QStringView kept) { return kept == name; });
}

bool isVoid(QStringView name)
{
    return name == u"br";
}

/// One tag as written: its lower-case name, whether it closes, and its attributes' text.
struct Tag
{
    QString name;
    bool closes = false;
    QStringView attributes;
};

/// The tag that starts at \a html[\a at] (a '<'), and the index after it; nothing when none does.
std::optional<std::pair<Tag, qsizetype>> readTag(QStringView html, qsizetype at)
{
    qsizetype position = at + 1;
    Tag tag;
    if (position < html.size() && html[position] == u'/') {
        tag.closes = true;
        ++position;
    }
    const qsizetype nameStart = position;
    while (position < html.size() && (html[position].isLetterOrNumber()))
        ++position;
    if (position == nameStart)
        return std::nullopt;
    tag.name = html.mid(nameStart, position - nameStart).toString().toLower();
    // The tag ends at the first '>' outside quotes.
    const qsizetype attributesStart = position;
    QChar quote;
    for (; position < html.size(); ++position) {
        const QChar c = html[position];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            tag.attributes = html.mid(attributesStart, position - attributesStart);
            return std::pair(tag, position + 1);
        }
    }
    return std::nullopt;
}

/// The web address of a link's href, escaped for an attribute; empty for anything else.
QString webLink(QStringView attributes)
{
    const qsizetype key = attributes.indexOf(u"href", 0, Qt::CaseInsensitive);
    if (key < 0)
        return {};
    qsizetype position = attributes.indexOf(u'=', key);
    if (position < 0)
        return {};
    ++position;
    while (position < attributes.size() && attributes[position].isSpace())
        ++position;
    if (position >= attributes.size())
        return {};
    const QChar quote = attributes[position];
    const bool quoted = quote == u'"' || quote == u'\'';
    const qsizetype start = quoted ? position + 1 : position;
    qsizetype end = start;
    while (end < attributes.size() &&
           (quoted ? attributes[end] != quote : !attributes[end].isSpace()))
        ++end;
    const QUrl url(attributes.mid(start, end - start).toString().trimmed());
    if (!url.isValid() || (url.scheme() != u"https" && url.scheme() != u"http"))
        return {};
    return url.toString(QUrl::FullyEncoded).toHtmlEscaped();
}

/// Where the end of the element \a name that \a html opens before \a from is; the end of \a html
/// when it is never closed.
qsizetype afterClosing(QStringView html, qsizetype from, QStringView name)
{
    const QString closing = u"</"_s + name.toString();
    const qsizetype found = html.indexOf(closing, from, Qt::CaseInsensitive);
    if (found < 0)
        return html.size();
    const qsizetype end = html.indexOf(u'>', found);
    return end < 0 ? html.size() : end + 1;
}

} // namespace

std::optional<QString> ReleaseNotes::flatten(QStringView html)
{
    QString flat;
    QList<QString> open;
    // Deeper elements that were left out, so that their closing tags are left out too.
    QList<QString> skipped;
    qsizetype textLength = 0;
    qsizetype position = 0;
    while (position < html.size()) {
        const qsizetype next = html.indexOf(u'<', position);
        const qsizetype textEnd = next < 0 ? html.size() : next;
        if (textEnd > position) {
            const QStringView text = html.mid(position, textEnd - position);
            textLength += text.size();
            if (textLength > maxTextLength)
                return std::nullopt;
            // A '>' on its own is harmless, but written out it is plainly text.
            flat += text.toString().replace(u'>', u"&gt;"_s);
        }
        if (next < 0)
            break;
        if (html.mid(next).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(u"-->", next + 4);
            position = end < 0 ? html.size() : end + 3;
            continue;
        }
        const std::optional<std::pair<Tag, qsizetype>> read = readTag(html, next);
        if (!read) {
            // A '<' that opens no tag is text, or a declaration (<!DOCTYPE …>), which goes.
            if (html.mid(next).startsWith(u"<!") || html.mid(next).startsWith(u"<?")) {
                const qsizetype end = html.indexOf(u'>', next);
                position = end < 0 ? html.size() : end + 1;
            } else {
                flat += u"&lt;"_s;
                ++textLength;
                position = next + 1;
            }
            continue;
        }
        const auto &[tag, after] = *read;
        position = after;
        if (isOneOf(tag.name, droppedWhole)) {
            if (!tag.closes)
                position = afterClosing(html, after, tag.name);
            continue;
        }
        if (!isOneOf(tag.name, keptElements))
            continue;
        if (isVoid(tag.name)) {
            if (!tag.closes)
                flat += u"<br>"_s;
            continue;
        }
        if (!tag.closes) {
            if (open.size() >= maxDepth) {
                skipped.append(tag.name);
                continue;
            }
            open.append(tag.name);
            const QString link = tag.name == u"a" ? webLink(tag.attributes) : QString();
            flat += link.isEmpty() ? u"<"_s + tag.name + u'>' : u"<a href=\""_s + link + u"\">"_s;
            continue;
        }
        if (const qsizetype deeper = skipped.lastIndexOf(tag.name); deeper >= 0) {
            skipped.remove(deeper);
            continue;
        }
        // Closes the element of that name and whatever was left open inside it.
        const qsizetype opened = open.lastIndexOf(tag.name);
        if (opened < 0)
            continue;
        while (open.size() > opened)
            flat += u"</"_s + open.takeLast() + u'>';
    }
    while (!open.isEmpty())
        flat += u"</"_s + open.takeLast() + u'>';
    return flat;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestMain.h"
#include "Updates/ReleaseNotes.h"
#include "Views/ReleaseNotesBrowser.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

/// How deep the elements of \a html nest, counted from its tags.
int depthOf(const QString &html)
{
    int depth = 0;
    int deepest = 0;
    static const QRegularExpression tag(u"<(/?)([a-z0-9]+)[^>]*>"_s);
    for (const QRegularExpressionMatch &match : tag.globalMatch(html)) {
        if (match.captured(2) == u"br")
            continue;
        depth += match.captured(1).isEmpty() ? 1 : -1;
        deepest = std::max(deepest, depth);
    }
    return depth == 0 ? deepest : -1;
}

} // namespace

// Release notes as hostile or careless feeds write them, reduced before Qt lays them out.
class TestReleaseNotes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsSimpleMarkupAndDropsTheRest_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("flat");
        QTest::newRow("simple markup, attributes gone")
            << u"<p class=\"x\">Fixes <b>a crash</b><br/>and <em>more</em></p>"_s
            << u"<p>Fixes <b>a crash</b><br>and <em>more</em></p>"_s;
        QTest::newRow("a web link, escaped")
            << u"<a href='https://example.org/a?b=1&c=\"2\"' onclick=\"x()\">notes</a>"_s
            << u"<a href=\"https://example.org/a?b=1&amp;c=%222%22\">notes</a>"_s;
        QTest::newRow("links elsewhere lose their address")
            << u"<a href=\"file:///etc/passwd\">a</a><a href=javascript:alert(1)>b</a>"_s
            << u"<a>a</a><a>b</a>"_s;
        QTest::newRow("tables and pictures give way to their text")
            << u"<table><tr><td>cell</td></tr></table><img src=\"/etc/x.png\">"_s << u"cell"_s;
        QTest::newRow("scripts, styles and comments go whole")
            << u"<script>alert('<p>')</script><style>p{}</style><!-- <b> -->text"_s << u"text"_s;
        QTest::newRow("a quoted '>' stays inside its tag")
            << u"<p title=\"a > b\">x</p>"_s << u"<p>x</p>"_s;
        QTest::newRow("stray brackets are text")
            << u"1 < 2 and 3 > 2 <"_s << u"1 &lt; 2 and 3 &gt; 2 &lt;"_s;
        QTest::newRow("unclosed elements are closed, stray closings dropped")
            << u"<ul><li>one<li>two</p>"_s << u"<ul><li>one<li>two</li></li></ul>"_s;
        QTest::newRow("a declaration goes") << u"<!DOCTYPE html><p>x</p>"_s << u"<p>x</p>"_s;
    }
    void keepsSimpleMarkupAndDropsTheRest()
    {
        QFETCH(QString, html);
        QFETCH(QString, flat);
        QCOMPARE(ReleaseNotes::flatten(html), std::optional(flat));
    }

    // What crashed the program's text layout (deep tables) or held it for minutes (deep lists):
    // bounded in depth, with all their text, and shown without harm.
    void deepNestingIsBounded()
    {
        const QString tables = u"<table><tr><td>"_s.repeated(20'000) + u"deep"_s +
                               u"</td></tr></table>"_s.repeated(20'000);
        const QString lists = u"<ul><li>x"_s.repeated(60'000) + u"</li></ul>"_s.repeated(60'000);
        for (const QString &html : {tables, lists}) {
            const std::optional<QString> flat = ReleaseNotes::flatten(html);
            QVERIFY(flat);
            const int depth = depthOf(*flat);
            QVERIFY2(depth >= 0 && depth <= ReleaseNotes::maxDepth,
                     qPrintable(QString::number(depth)));
            ReleaseNotesBrowser browser;
            browser.showNotes(*flat);
            QVERIFY(browser.toPlainText().contains(html == tables ? u"deep"_s : u"xxxx"_s));
        }
    }

    void tooMuchTextLeavesOnlyTheLink()
    {
        const QString text(ReleaseNotes::maxTextLength, u'a');
        QVERIFY(ReleaseNotes::flatten(u"<p>"_s + text + u"</p>"_s));
        QVERIFY(!ReleaseNotes::flatten(u"<p>"_s + text + u"a</p>"_s));
    }
};

VOXLUME_TEST_MAIN(TestReleaseNotes)
#include "tst_ReleaseNotes.moc"

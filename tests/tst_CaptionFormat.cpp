// SPDX-License-Identifier: GPL-3.0-or-later
#include "Models/CaptionFormat.h"
#include "SubtitleFileCheck.h"
#include "TestMain.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

using Kind = CaptionFormat::Kind;
using Content = CaptionFormat::Content;
using namespace SubtitleFileCheck;

// Cues that try a writer: marks that mean something to a player, a cue without translation,
// one that wraps, and times past a hundred hours.
QList<CaptionCue> awkwardCues()
{
    return {
        {0, 1.5, u"Fish & chips <b>bold</b> --> arrows"_s, u"Pescado & patatas"_s},
        {1.5, 4.25, u"No translation for this one"_s, std::nullopt},
        {4.25, 11.0, u"A cue long enough that it has to take two lines on screen"_s, u"Una"_s},
        {360000.0, 360001.2345, u"A hundred hours in"_s, u"Cien horas"_s},
    };
}

} // namespace

// Subtitle files of a run's cues, read back by ffmpeg as a player would.
class TestCaptionFormat : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_directory;

    QString written(const QString &name, const QString &text)
    {
        const QString path = m_directory.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return QString();
        return path;
    }

private Q_SLOTS:
    void timestamps()
    {
        QCOMPARE(CaptionFormat::timestamp(0, Kind::SubRip), u"00:00:00,000"_s);
        QCOMPARE(CaptionFormat::timestamp(3723.4567, Kind::WebVtt), u"01:02:03.457"_s);
        QCOMPARE(CaptionFormat::timestamp(59.9996, Kind::SubRip), u"00:01:00,000"_s);
        QCOMPARE(CaptionFormat::timestamp(360000, Kind::WebVtt), u"100:00:00.000"_s);
        QCOMPARE(CaptionFormat::timestamp(-1, Kind::SubRip), u"00:00:00,000"_s);
    }

    // Every kind and content is read by ffmpeg without a word of complaint, with every cue that
    // has text of that content.
    void playersReadTheFiles_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Content>("content");
        QTest::addColumn<int>("cues");
        for (const Kind kind : {Kind::SubRip, Kind::WebVtt}) {
            const QByteArray suffix = CaptionFormat::suffix(kind).toUtf8();
            QTest::newRow(suffix + " spoken") << kind << Content::Spoken << 4;
            QTest::newRow(suffix + " translation") << kind << Content::Translation << 3;
            QTest::newRow(suffix + " both") << kind << Content::Both << 4;
        }
    }
    void playersReadTheFiles()
    {
        QFETCH(Kind, kind);
        QFETCH(Content, content);
        QFETCH(int, cues);
        const QString text = CaptionFormat::write(awkwardCues(), kind, content);
        const QString path = written(u"out."_s + CaptionFormat::suffix(kind), text);
        QVERIFY(!path.isEmpty());
        QCOMPARE(ffmpegErrors(path), QString());
        QCOMPARE(packetsIn(path), cues);

        if (kind == Kind::SubRip)
            return;
        // WebVTT's grammar: a timing line per cue, and no text that a player reads as markup.
        static const QRegularExpression timing(
            u"^(\\d{2,}:)?[0-5]\\d:[0-5]\\d\\.\\d{3} --> (\\d{2,}:)?[0-5]\\d:[0-5]\\d\\.\\d{3}$"_s);
        const QStringList lines = text.split(u'\n');
        QCOMPARE(lines.first(), u"WEBVTT"_s);
        int timings = 0;
        for (const QString &line : lines.mid(1)) {
            if (line.contains(u"-->"_s)) {
                QVERIFY2(timing.match(line).hasMatch(), qPrintable(line));
                ++timings;
            } else {
                QVERIFY2(!line.contains(u'<') && !line.contains(u'>'), qPrintable(line));
            }
        }
        QCOMPARE(timings, cues);
    }

    void wrapsToTwoLinesAndPairsTheTranslation()
    {
        const QString spoken =
            CaptionFormat::write(awkwardCues().mid(2, 1), Kind::SubRip, Content::Spoken);
        QCOMPARE(spoken, u"1\n00:00:04,250 --> 00:00:11,000\n"
                         "A cue long enough that it has to take two\nlines on screen\n\n"_s);
        const QString both =
            CaptionFormat::write(awkwardCues().mid(0, 1), Kind::WebVtt, Content::Both);
        QCOMPARE(both, u"WEBVTT\n\n00:00:00.000 --> 00:00:01.500\n"
                       "Fish &amp; chips &lt;b&gt;bold&lt;/b&gt; --&gt; arrows\n"
                       "Pescado &amp; patatas\n\n"_s);
        QCOMPARE(CaptionFormat::write({}, Kind::SubRip, Content::Spoken), QString());
    }
};

VOXLUME_TEST_MAIN(TestCaptionFormat)
#include "tst_CaptionFormat.moc"

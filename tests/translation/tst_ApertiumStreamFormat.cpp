// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Translation/Apertium/ApertiumStreamFormat.h"
#include "TestMain.h"

using namespace Qt::Literals::StringLiterals;

class TestApertiumStreamFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void requestEndsInClosingAndMarker()
    {
        QCOMPARE(ApertiumStreamFormat::encodeRequest(u"Hi"_s, 7), "Hi.[]\0[nonce-7]\0"_ba);
    }

    void reservedAndControlCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("reserved") << u"^$[]{}/<>@\\"_s << u"\\^\\$\\[\\]\\{\\}\\/\\<\\>\\@\\\\"_s;
        QTest::newRow("breaks and NUL")
            << u"a\nb\r\nc\u2028d"_s + QChar(0) + u"e\tf"_s << u"a b  c d e f"_s;
        QTest::newRow("a marker of the user's") << u"[nonce-1]"_s << u"\\[nonce-1\\]"_s;
        QTest::newRow("emoji and accents") << u"café 😀"_s << u"café 😀"_s;
    }
    void reservedAndControlCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QString, escaped);
        QCOMPARE(ApertiumStreamFormat::escape(text), escaped);
        // NUL ends a request: only the two of the framing may be in it.
        QCOMPARE(ApertiumStreamFormat::encodeRequest(text, 1).count('\0'), 2);
    }

    void markers_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<std::optional<quint64>>("nonce");
        QTest::newRow("ours") << ApertiumStreamFormat::marker(42) << std::optional<quint64>(42);
        QTest::newRow("text") << "La casa.[]"_ba << std::optional<quint64>();
        QTest::newRow("escaped by the user") << "\\[nonce-3\\]"_ba << std::optional<quint64>();
        QTest::newRow("no number") << "[nonce-x]"_ba << std::optional<quint64>();
        QTest::newRow("unclosed") << "[nonce-3"_ba << std::optional<quint64>();
    }
    void markers()
    {
        QFETCH(QByteArray, record);
        QFETCH(std::optional<quint64>, nonce);
        QCOMPARE(ApertiumStreamFormat::nonceOf(record), nonce);
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("text");
        QTest::newRow("closing removed") << "La casa es roja..[]"_ba << u"La casa es roja."_s;
        QTest::newRow("blanks folded") << "  Hola.  Adiós .[] "_ba << u"Hola. Adiós"_s;
        QTest::newRow("escapes undone")
            << "\\^\\$\\[a\\]\\{\\}\\/\\<\\>\\@\\\\.[]"_ba << u"^$[a]{}/<>@\\"_s;
        QTest::newRow("stray blanks dropped") << "Hola[] mundo.[]"_ba << u"Hola mundo"_s;
        QTest::newRow("no closing") << "Hola"_ba << u"Hola"_s;
        QTest::newRow("UTF-8") << "¿Qué? 😀.[]"_ba << u"¿Qué? 😀"_s;
    }
    void replies()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, text);
        QCOMPARE(ApertiumStreamFormat::decodeReply(record), text);
    }

    // What a pipeline that translates nothing would hand back must be the user's text again.
    void escapedTextComesBackUnchanged()
    {
        const QString text = u"a^b$c[d]e{f}g/h<i>j@k\\l 😀"_s;
        QCOMPARE(
            ApertiumStreamFormat::decodeReply(ApertiumStreamFormat::escape(text).toUtf8() + ".[]"),
            text);
    }
};

VOXLUME_TEST_MAIN(TestApertiumStreamFormat)
#include "tst_ApertiumStreamFormat.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Translation/Apertium/ApertiumMode.h"
#include "Platform/Translation/Apertium/ApertiumPairTable.h"
#include "Platform/Translation/Apertium/ApertiumStreamFormat.h"
#include "TestMain.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

Language language(const QString &rawValue)
{
    return Language::fromRawValue(rawValue).value_or(Language());
}

} // namespace

// What Apertium is told and answers, its mode files, and the table of its Debian pairs.
class TestApertiumFormats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escapesReservedAndControlCharacters()
    {
        QCOMPARE(ApertiumStreamFormat::escape(u"^$[]{}/<>@\\"_s),
                 u"\\^\\$\\[\\]\\{\\}\\/\\<\\>\\@\\\\"_s);
        // NUL ends a request: only the two of the framing may be in it.
        QCOMPARE(
            ApertiumStreamFormat::encodeRequest(u"a\nb\r\nc\u2028d"_s + QChar(0) + u"e\tf"_s, 7),
            "a b  c d e f.[]\0[nonce-7]\0"_ba);
    }

    void markers()
    {
        QCOMPARE(ApertiumStreamFormat::nonceOf(ApertiumStreamFormat::marker(42)), 42u);
        for (const QByteArray &record : {"La casa.[]"_ba, "[nonce-x]"_ba, "[nonce-3"_ba})
            QVERIFY2(!ApertiumStreamFormat::nonceOf(record), record.constData());
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("text");
        QTest::newRow("closing removed") << "La casa es roja..[]"_ba << u"La casa es roja."_s;
        QTest::newRow("blanks folded") << "  Hola.  Adiós .[] "_ba << u"Hola. Adiós"_s;
        QTest::newRow("stray blanks dropped") << "Hola[] mundo.[]"_ba << u"Hola mundo"_s;
        QTest::newRow("no closing") << "Hola"_ba << u"Hola"_s;
        // What a pipeline that translates nothing hands back must be the user's text again.
        const QString text = u"a^b$c[d]e{f}g/h<i>j@k\\l 😀"_s;
        QTest::newRow("untranslated")
            << ApertiumStreamFormat::escape(text).toUtf8() + ".[]" << text;
    }
    void replies()
    {
        QFETCH(QByteArray, record);
        QFETCH(QString, text);
        QCOMPARE(ApertiumStreamFormat::decodeReply(record), text);
    }

    void modeFiles()
    {
        const auto unreadable = ApertiumMode::fromFile(u"/nonexistent/eng-spa.mode"_s);
        const auto *problem = std::get_if<QString>(&unreadable);
        QVERIFY(problem && problem->contains(u"/nonexistent/eng-spa.mode"_s));

        const QString path = u"/usr/share/apertium/modes/eng-spa.mode"_s;
        if (!QFileInfo::exists(path))
            QSKIP("apertium-eng-spa is not installed");
        const auto mode = ApertiumMode::fromFile(path);
        QVERIFY(std::holds_alternative<ApertiumMode>(mode));
        const QList<ApertiumMode::Stage> stages = std::get<ApertiumMode>(mode).stages();
        for (const ApertiumMode::Stage &stage : stages) {
            // Every stage flushes at each NUL, or a request would never come back.
            QCOMPARE(stage.arguments.value(0), u"-z"_s);
            for (const QString &argument : stage.arguments)
                QVERIFY(argument.startsWith(u'-') || QFileInfo(argument).isAbsolute());
        }
    }

    void modePlaceholdersAndQuoting_data()
    {
        QTest::addColumn<QString>("pipeline");
        QTest::addColumn<QList<ApertiumMode::Stage>>("stages");
        using Stage = ApertiumMode::Stage;
        QTest::newRow("generator and tagger options")
            << u"apertium-tagger -g $2 t.prob | lt-proc $1 gen.bin\n"_s
            << QList<Stage>{{u"apertium-tagger"_s, {u"-z"_s, u"-g"_s, u"t.prob"_s}},
                            {u"lt-proc"_s, {u"-z"_s, u"-n"_s, u"gen.bin"_s}}};
        QTest::newRow("quotes") << u"lt-proc 'a b|c' \"d \\\"e\\\"\" f\\ g 'h'\"i\" ''"_s
                                << QList<Stage>{{u"lt-proc"_s,
                                                 {u"-z"_s, u"a b|c"_s, u"d \"e\""_s, u"f g"_s,
                                                  u"hi"_s, QString()}}};
        QTest::newRow("quoted placeholder is literal")
            << u"lt-proc '$1'"_s << QList<Stage>{{u"lt-proc"_s, {u"-z"_s, u"$1"_s}}};
        QTest::newRow("line continuation")
            << u"lt-proc a.bin \\\n| lt-proc -p b.bin"_s
            << QList<Stage>{{u"lt-proc"_s, {u"-z"_s, u"a.bin"_s}},
                            {u"lt-proc"_s, {u"-z"_s, u"-p"_s, u"b.bin"_s}}};
    }
    void modePlaceholdersAndQuoting()
    {
        QFETCH(QString, pipeline);
        QFETCH(QList<ApertiumMode::Stage>, stages);
        const auto mode = ApertiumMode::parse(pipeline);
        QVERIFY(std::holds_alternative<ApertiumMode>(mode));
        QCOMPARE(std::get<ApertiumMode>(mode).stages(), stages);
    }

    void modeRefusesWhatNeedsAShell()
    {
        for (const QString &pipeline :
             {u"lt-proc a.bin > out"_s, u"lt-proc \"$(cat x)\""_s, u"lt-proc $HOME/a.bin"_s,
              u"lt-proc 'a.bin"_s, u"lt-proc a.bin | | lt-proc b.bin"_s, u"\n"_s}) {
            const auto mode = ApertiumMode::parse(pipeline);
            QVERIFY2(std::holds_alternative<QString>(mode) && !std::get<QString>(mode).isEmpty(),
                     qPrintable(pipeline));
        }
    }

    void pairDirections_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("mode"); // empty: none
        QTest::addColumn<QString>("package");
        QTest::newRow("any region of English")
            << u"en-IN"_s << u"es-MX"_s << u"eng-spa"_s << u"apertium-eng-spa"_s;
        QTest::newRow("US variant")
            << u"es-ES"_s << u"en-US"_s << u"spa-eng_US"_s << u"apertium-eng-spa"_s;
        QTest::newRow("British is the plain mode")
            << u"es-ES"_s << u"en-GB"_s << u"spa-eng"_s << u"apertium-eng-spa"_s;
        QTest::newRow("Catalan, never a variant of it")
            << u"en-US"_s << u"ca-ES"_s << u"eng-cat"_s << u"apertium-eng-cat"_s;
        QTest::newRow("code case")
            << u"EN-us"_s << u"ES-es"_s << u"eng-spa"_s << u"apertium-eng-spa"_s;
        QTest::newRow("three-letter mode names, two-letter languages")
            << u"nb-NO"_s << u"nn-NO"_s << u"nob-nno"_s << u"apertium-nno-nob"_s;
        QTest::newRow("no such pair") << u"en-US"_s << u"ja-JP"_s << QString() << QString();
        QTest::newRow("no source") << u"-"_s << u"es-ES"_s << QString() << QString();
    }
    void pairDirections()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, mode);
        QFETCH(QString, package);
        const auto direction =
            ApertiumPairTable::debian().direction(language(source), language(target));
        QCOMPARE(direction.has_value(), !mode.isEmpty());
        if (!direction)
            return;
        QCOMPARE(direction->mode, mode);
        QCOMPARE(direction->package, package);
    }

    void pairLanguagesHaveRegions()
    {
        const QList<Language> languages = ApertiumPairTable::debian().languages();
        QVERIFY(languages.contains(language(u"en-GB"_s)) &&
                languages.contains(language(u"pt-BR"_s)));
        // ICU knows a usual region for all but deprecated codes such as "sh".
        const auto withRegion = std::count_if(languages.cbegin(), languages.cend(),
                                              [](const Language &l) { return l.region(); });
        QVERIFY(withRegion >= languages.size() - 2);
    }

    void packagesWithoutModesAreLeftOut()
    {
        const ApertiumPairTable table = ApertiumPairTable::fromTables(
            "eng-spa\ten\tes\nspa-eng\tes\ten\n"_ba,
            "package\tdirections\tmodes\napertium-eng-spa\ten→es\teng-spa\n"_ba);
        QCOMPARE(table.directions().size(), 1);
        QVERIFY(!table.direction(language(u"es-ES"_s), language(u"en-US"_s)));
        QCOMPARE(table.languages(), (QList<Language>{language(u"en-GB"_s), language(u"en-US"_s),
                                                     language(u"es-ES"_s)}));
    }
};

VOXLUME_TEST_MAIN(TestApertiumFormats)
#include "tst_ApertiumFormats.moc"

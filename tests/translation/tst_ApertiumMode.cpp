// SPDX-License-Identifier: GPL-3.0-or-later
#include "Platform/Translation/Apertium/ApertiumMode.h"
#include "TestMain.h"

#include <QFileInfo>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<ApertiumMode::Stage> stagesOf(const QString &pipeline)
{
    const auto mode = ApertiumMode::parse(pipeline);
    if (const auto *problem = std::get_if<QString>(&mode)) {
        qWarning() << *problem;
        return {};
    }
    return std::get<ApertiumMode>(mode).stages();
}

} // namespace

class TestApertiumMode : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installedEnglishToSpanish()
    {
        const QString path = u"/usr/share/apertium/modes/eng-spa.mode"_s;
        if (!QFileInfo::exists(path))
            QSKIP("apertium-eng-spa is not installed");
        const auto mode = ApertiumMode::fromFile(path);
        QVERIFY(std::holds_alternative<ApertiumMode>(mode));
        const QList<ApertiumMode::Stage> stages = std::get<ApertiumMode>(mode).stages();
        QCOMPARE(stages.size(), 11);
        for (const ApertiumMode::Stage &stage : stages) {
            QCOMPARE(stage.arguments.value(0), u"-z"_s);
            QVERIFY(!stage.arguments.contains(QString()));
            for (const QString &argument : stage.arguments)
                QVERIFY(argument.startsWith(u'-') || QFileInfo(argument).isAbsolute());
        }
        QCOMPARE(stages.at(1).program, u"apertium-tagger"_s);
        QCOMPARE(stages.at(1).arguments.mid(0, 2), (QStringList{u"-z"_s, u"-g"_s}));
        QCOMPARE(stages.at(9).arguments.mid(0, 2), (QStringList{u"-z"_s, u"-n"_s}));
    }

    void placeholdersAndQuoting_data()
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
    void placeholdersAndQuoting()
    {
        QFETCH(QString, pipeline);
        QFETCH(QList<ApertiumMode::Stage>, stages);
        QCOMPARE(stagesOf(pipeline), stages);
    }

    void refusesWhatNeedsAShell_data()
    {
        QTest::addColumn<QString>("pipeline");
        QTest::newRow("redirection") << u"lt-proc a.bin > out"_s;
        QTest::newRow("sequence") << u"lt-proc a.bin; rm -rf x"_s;
        QTest::newRow("substitution") << u"lt-proc $(cat x)"_s;
        QTest::newRow("substitution in double quotes") << u"lt-proc \"$(cat x)\""_s;
        QTest::newRow("variable") << u"lt-proc $HOME/a.bin"_s;
        QTest::newRow("background") << u"lt-proc a.bin &"_s;
        QTest::newRow("unclosed quote") << u"lt-proc 'a.bin"_s;
        QTest::newRow("empty stage") << u"lt-proc a.bin | | lt-proc b.bin"_s;
        QTest::newRow("empty") << u"\n"_s;
    }
    void refusesWhatNeedsAShell()
    {
        QFETCH(QString, pipeline);
        const auto mode = ApertiumMode::parse(pipeline);
        QVERIFY(std::holds_alternative<QString>(mode));
        QVERIFY(!std::get<QString>(mode).isEmpty());
    }

    void unreadableFile()
    {
        const auto mode = ApertiumMode::fromFile(u"/nonexistent/eng-spa.mode"_s);
        QVERIFY(std::holds_alternative<QString>(mode));
        QVERIFY(std::get<QString>(mode).contains(u"/nonexistent/eng-spa.mode"_s));
    }
};

VOXLUME_TEST_MAIN(TestApertiumMode)
#include "tst_ApertiumMode.moc"

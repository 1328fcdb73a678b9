// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredColor.h"
#include "TestMain.h"

#include <QDataStream>

using namespace Qt::Literals::StringLiterals;

namespace {

// A record in the stored layout, with components of the test's choosing.
QString record(const QByteArray &tag, std::initializer_list<double> components)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::BigEndian);
    stream.writeRawData(tag.constData(), int(tag.size()));
    for (double component : components)
        stream << component;
    return QString::fromLatin1(bytes.toBase64());
}

} // namespace

class TestStoredColor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void coloursRoundTripWithTheirOpacity_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::newRow("white") << QColor(Qt::white);
        QTest::newRow("half transparent red") << QColor::fromRgbF(1, 0, 0, 0.5);
        QTest::newRow("nearly invisible") << QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.01f);
        QTest::newRow("from HSV") << QColor::fromHsvF(0.6f, 0.5f, 0.9f, 0.75f);
    }

    void coloursRoundTripWithTheirOpacity()
    {
        QFETCH(QColor, color);
        const QString raw = StoredColor::rawValue(color);
        QVERIFY(!raw.contains(u'\n'));
        const std::optional<QColor> decoded = StoredColor::fromRawValue(raw);
        QVERIFY(decoded);
        QCOMPARE(*decoded, color.toRgb());
        QCOMPARE(decoded->alphaF(), color.alphaF());
    }

    void undecodableTextGivesNoColour_data()
    {
        const QString valid = StoredColor::rawValue(QColor(Qt::blue));
        QTest::addColumn<QString>("raw");
        QTest::newRow("empty") << QString();
        QTest::newRow("not base64") << u"white"_s;
        QTest::newRow("line break") << valid.left(20) + u'\n' + valid.mid(20);
        QTest::newRow("trailing space") << valid + u' ';
        QTest::newRow("padding inside") << valid.left(44) + u"="_s + valid.mid(45);
        QTest::newRow("non-ASCII") << valid.left(8) + u"é"_s + valid.mid(9);
        QTest::newRow("truncated record") << StoredColor::rawValue(Qt::blue).left(40);
        QTest::newRow("wrong tag") << record("XXXX", {1, 1, 1, 1});
        QTest::newRow("three components") << record("VXC1", {1, 1, 1});
        QTest::newRow("extra bytes") << record("VXC1", {1, 1, 1, 1, 1});
        QTest::newRow("above one") << record("VXC1", {1.5, 0, 0, 1});
        QTest::newRow("negative opacity") << record("VXC1", {0, 0, 0, -0.1});
        QTest::newRow("not a number") << record("VXC1", {0, qQNaN(), 0, 1});
    }

    void undecodableTextGivesNoColour()
    {
        QFETCH(QString, raw);
        QVERIFY(!StoredColor::fromRawValue(raw));
    }

    void theRecordLayoutIsStable()
    {
        // Stored settings outlive versions of the program: this text must keep meaning this colour.
        QCOMPARE(StoredColor::fromRawValue(record("VXC1", {0, 0, 1, 0.5})),
                 QColor::fromRgbF(0, 0, 1, 0.5));
        QCOMPARE(StoredColor::rawValue(QColor::fromRgbF(0, 0, 1, 0.5)),
                 record("VXC1", {0, 0, 1, QColor::fromRgbF(0, 0, 1, 0.5).alphaF()}));
    }
};

VOXLUME_TEST_MAIN(TestStoredColor)
#include "tst_StoredColor.moc"

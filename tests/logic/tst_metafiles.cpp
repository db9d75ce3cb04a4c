#include "logic/MetafileChecks.h"
#include "logic/MetafileModule.h"
#include "logic/PictureDecoding.h"
#include "metafiles/MetafileRendering.h"
#include "support/Metafiles.h"

#include <QtTest>

class TestMetafiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void drawsKnownColours_data();
    void drawsKnownColours();
};

void TestMetafiles::initTestCase()
{
    UseMetafileModule(MetafileRendering());
}

void TestMetafiles::drawsKnownColours_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("board");
    QTest::newRow("wmf") << QByteArray("wmf") << metafile::sampleWmf() << QSize(250, 250);
    QTest::newRow("emf") << QByteArray("emf") << metafile::sampleEmf() << QSize(250, 250);
}

void TestMetafiles::drawsKnownColours()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, data);
    QFETCH(QSize, board);
    const DecodedPicture picture = DecodePictureData(data, format, board);
    QVERIFY(picture);
    QCOMPARE(picture->format(), QImage::Format_RGB32);
    const qreal sx = qreal(picture->width()) / metafile::Frame.width();
    const qreal sy = qreal(picture->height()) / metafile::Frame.height();
    for (const metafile::KnownColour &known : metafile::KnownColours()) {
        const QColor actual = picture->pixelColor(int(known.point.x() * sx), int(known.point.y() * sy));
        const QColor expected(known.colour);
        const int error = std::max({std::abs(actual.red() - expected.red()),
            std::abs(actual.green() - expected.green()), std::abs(actual.blue() - expected.blue())});
        QVERIFY2(error <= 8, qPrintable(QStringLiteral("%1,%2: %3 instead of %4").arg(known.point.x()).arg(known.point.y()).arg(actual.name(), expected.name())));
    }
}

QTEST_MAIN(TestMetafiles)
#include "tst_metafiles.moc"

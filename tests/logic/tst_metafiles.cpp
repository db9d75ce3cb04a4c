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
    void hostileMetafiles_data();
    void hostileMetafiles();
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
        const int error = metafile::colourError(actual, expected);
        QVERIFY2(error <= 8, qPrintable(QStringLiteral("%1,%2: %3 instead of %4").arg(known.point.x()).arg(known.point.y()).arg(actual.name(), expected.name())));
    }
}

using metafile::le;
using metafile::longs;
using metafile::words;

void TestMetafiles::hostileMetafiles_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("problem");

    // As the player hears it: refused for its cost, or not readable at all.
    const int none = 0;
    const int unreadable = 1;
    const int refused = 2;
    metafile::Wmf manyWmf;
    metafile::Emf manyEmf;
    for (int i = 0; i < 1'000'000; ++i) {
        manyWmf.select(0);
        manyEmf.select(0x80000000);
    }
    QTest::newRow("wmf: a million records") << QByteArray("wmf") << manyWmf.file() << refused;
    QTest::newRow("emf: a million records") << QByteArray("emf") << manyEmf.file() << refused;
    // As many records as allowed (the sample's, then plain ones), and one more.
    metafile::Wmf mostWmf = metafile::sampleWmfRecords();
    for (qint64 i = mostWmf.count(); i < MaxMetafileRecords; ++i)
        mostWmf.record(0x0102, words({1}));
    QTest::newRow("wmf: records at the limit") << QByteArray("wmf") << mostWmf.file() << none;
    QTest::newRow("wmf: a record beyond") << QByteArray("wmf")
        << mostWmf.record(0x0102, words({1})).file() << refused;
    // Files as large as a metafile may be, their surplus after the end record.
    const QByteArray wmf = metafile::sampleWmf();
    const QByteArray tail(MaxMetafileFileBytes - wmf.size(), 0);
    QTest::newRow("wmf: at the size limit") << QByteArray("wmf") << wmf + tail << none;
    QTest::newRow("wmf: a byte beyond") << QByteArray("wmf") << wmf + tail + '\0' << refused;

    // A record whose size reaches past the end of the file.
    QByteArray wmfPastEnd = metafile::sampleWmf();
    wmfPastEnd.replace(22 + 18, 4, le(0x7FFFFFFF, 4));
    QTest::newRow("wmf: record past the end") << QByteArray("wmf") << wmfPastEnd << unreadable;
    QTest::newRow("wmf: largest record beyond the file")
        << QByteArray("wmf") << metafile::sampleWmfRecords().file({0, 0, 400, 300}, 2, 0x7FFFFFFF)
        << unreadable;
    QByteArray emfPastEnd = metafile::sampleEmf();
    emfPastEnd.replace(88 + 4, 4, le(0x7FFFFFF0, 4));
    QTest::newRow("emf: record past the end") << QByteArray("emf") << emfPastEnd << unreadable;
    QByteArray emfNoEnd = metafile::sampleEmf();
    emfNoEnd.chop(20);
    QTest::newRow("emf: no end record") << QByteArray("emf") << emfNoEnd << unreadable;

    // Bitmaps: bits outside their record, and a compressed one claiming 30000 x 30000 pixels.
    const QByteArray bitmapHeader = longs({40, 30000, 30000}) + words({1, 8}) + longs({1, 4, 0, 0, 0, 0});
    metafile::Emf bigBitmap;
    bigBitmap.record(81, longs({0, 0, 10, 10, 0, 0, 0, 0, 30000, 30000, 80, 40, 120, 4, 0,
        0x00CC0020, 10, 10}) + bitmapHeader + longs({1}));
    QTest::newRow("emf: bitmap of 900 megapixels") << QByteArray("emf") << bigBitmap.file() << refused;
    metafile::Emf bitsOutside;
    bitsOutside.record(81, longs({0, 0, 10, 10, 0, 0, 0, 0, 2, 2, 80, 40, 0x7FFFFF00, 16, 0,
        0x00CC0020, 10, 10}) + longs({40, 2, 2}) + words({1, 24}) + longs({0, 16, 0, 0, 0, 0}));
    QTest::newRow("emf: bitmap bits outside") << QByteArray("emf") << bitsOutside.file() << unreadable;
    metafile::Wmf bigWmfBitmap;
    bigWmfBitmap.record(0x0F43, longs({0x00CC0020}) + words({0, 30000, 30000, 0, 0, 10, 10, 0, 0})
        + bitmapHeader + longs({1}));
    QTest::newRow("wmf: bitmap of 900 megapixels") << QByteArray("wmf") << bigWmfBitmap.file() << refused;

    // Extents as large as the formats allow: drawn all the same, at the board's size.
    metafile::Wmf hugeWmf = metafile::sampleWmfRecords();
    hugeWmf.record(0x020C, words({1, 1})).record(0x0418, words({32767, 32767, -32768, -32768}));
    QTest::newRow("wmf: huge extents") << QByteArray("wmf")
        << hugeWmf.file({-32768, -32768, 65535, 65535}) << none;
    metafile::Emf hugeEmf = metafile::sampleEmfRecords();
    hugeEmf.record(42, longs({-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}));
    QTest::newRow("emf: huge extents") << QByteArray("emf")
        << hugeEmf.file({-0x3FFFFFFF, -0x3FFFFFFF, 0x7FFFFFFE, 0x7FFFFFFE}) << none;
}

void TestMetafiles::hostileMetafiles()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, data);
    QFETCH(int, problem);
    const DecodedPicture picture = DecodePictureData(data, format, QSize(250, 250));
    QCOMPARE(picture ? 0 : IsRefusal(picture.problem) ? 2 : 1, problem);
    QCOMPARE(picture.has_value(), problem == 0);
}

QTEST_MAIN(TestMetafiles)
#include "tst_metafiles.moc"

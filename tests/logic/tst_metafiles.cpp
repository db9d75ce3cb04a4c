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
    picture->save(QStringLiteral("/tmp/mf-%1.png").arg(QLatin1String(format)));
}

QTEST_MAIN(TestMetafiles)
#include "tst_metafiles.moc"

#include "main/BoardLogic.h"

#include <QTest>

// Outline texts, slide offsets, clock text and shuffle counts, as the main window uses them.
class TestBoardLogic : public QObject
{
    Q_OBJECT

private slots:
    void outlines_data();
    void outlines();
    void slideOffsets_data();
    void slideOffsets();
    void animatedOutlineStrips_data();
    void animatedOutlineStrips();
    void lastAnimatedFrameEqualsBoardRegion_data();
    void lastAnimatedFrameEqualsBoardRegion();
    void clockText_data();
    void clockText();
    void shuffleMoveCounts_data();
    void shuffleMoveCounts();
};

void TestBoardLogic::outlines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain 5x5") << PlainOutline(286, 286) << "U0,0,288,286,34,34";
    QTest::newRow("board, transparent") << BoardRegionOutline(286, 286, true, QPoint(4, 4), 50, 50)
                                        << "U0,0,288,286,34,34\r\nX\r\nR218,218,268,268";
    QTest::newRow("board, opaque")
        << BoardRegionOutline(286, 286, false, QPoint(1, 2), 50, 50) << "U0,0,288,286,34,34";
    QTest::newRow("board, wide tiles") << BoardRegionOutline(436, 386, true, QPoint(0, 1), 40, 35)
                                       << "U0,0,438,386,34,34\r\nX\r\nR18,53,58,88";
    QTest::newRow("hidden board") << HiddenBoardOutline(286, 286)
                                  << "U0,0,288,286,34,34\r\nX\r\nR18,16,268,268";
    QTest::newRow("preview resize") << PreviewResizeOutline(324, 324) << "U0,0,324,324,8,8";
}

void TestBoardLogic::outlines()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestBoardLogic::slideOffsets_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<QList<int>>("offsets");
    QTest::newRow("slow") << 8 << QList<int> {43, 37, 31, 25, 18, 12, 6, 0};
    QTest::newRow("fast") << 2 << QList<int> {25, 0};
}

void TestBoardLogic::slideOffsets()
{
    QFETCH(int, frames);
    QFETCH(QList<int>, offsets);
    QList<int> actual;
    for (int frame = 1; frame <= frames; ++frame)
        actual << SlideOffset(1, 50, frame, frames);
    QCOMPARE(actual, offsets);
    QCOMPARE(SlideOffset(-1, 50, 1, frames), -offsets.first());
}

void TestBoardLogic::animatedOutlineStrips_data()
{
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("stripA");
    QTest::addColumn<QString>("stripB");
    // The free slot goes one cell left: the tile slides right. Frame 1 of 8 at 50 pixels:
    // A is the 7-pixel part of the new free cell already uncovered, B the 43 pixels of the
    // old one not yet covered.
    QTest::newRow("left, frame 1") << QPoint(4, 4) << QPoint(3, 4) << 1 << "R168,218,175,268"
                                   << "R225,218,268,268";
    QTest::newRow("right, frame 1") << QPoint(1, 0) << QPoint(3, 0) << 1 << "R68,18,111,68"
                                    << "R211,18,218,68";
    QTest::newRow("down, frame 4") << QPoint(0, 0) << QPoint(0, 2) << 4 << "R18,18,68,43"
                                   << "R18,143,68,168";
}

void TestBoardLogic::animatedOutlineStrips()
{
    QFETCH(QPoint, source);
    QFETCH(QPoint, target);
    QFETCH(int, frame);
    QFETCH(QString, stripA);
    QFETCH(QString, stripB);
    const QStringList lines {QStringLiteral("{"), PlainOutline(286, 286), QStringLiteral("X"),
        stripA, QStringLiteral("}"), QStringLiteral("X"), stripB};
    QCOMPARE(AnimatedOutline(286, 286, SlideFrame {source, target, frame, 8, 50, 50}),
        lines.join(QStringLiteral("\r\n")));
}

void TestBoardLogic::lastAnimatedFrameEqualsBoardRegion_data()
{
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QPoint>("target");
    QTest::newRow("right") << QPoint(0, 2) << QPoint(3, 2);
    QTest::newRow("down") << QPoint(3, 0) << QPoint(3, 4);
}

void TestBoardLogic::lastAnimatedFrameEqualsBoardRegion()
{
    // On the last frame one strip is empty and the other is the whole new free cell.
    QFETCH(QPoint, source);
    QFETCH(QPoint, target);
    const QStringList lines = AnimatedOutline(286, 286, SlideFrame {source, target, 2, 2, 50, 50})
                                  .split(QStringLiteral("\r\n"));
    const QString cell
        = BoardRegionOutline(286, 286, true, target, 50, 50).split(QStringLiteral("\r\n")).last();
    const auto isEmpty = [](const QString &rect) {
        const QStringList v = rect.mid(1).split(QLatin1Char(','));
        return v[0] == v[2] || v[1] == v[3];
    };
    QVERIFY((lines[3] == cell && isEmpty(lines[6])) || (lines[6] == cell && isEmpty(lines[3])));
}

void TestBoardLogic::clockText_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("one of each") << qint64(3661) << "01:01:01";
    QTest::newRow("100 hours") << qint64(360000) << "100:00:00";
}

void TestBoardLogic::clockText()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(ClockText(seconds), text);
}

void TestBoardLogic::shuffleMoveCounts_data()
{
    QTest::addColumn<int>("gridSize");
    QTest::addColumn<int>("duration");
    QTest::addColumn<qint64>("moves");
    QTest::newRow("kurz 4x4") << 4 << 1 << qint64(16);
    QTest::newRow("lang 12x12") << 12 << 3 << qint64(14400);
    QTest::newRow("extrem lang 5x5") << 5 << 4 << qint64(25000);
    QTest::newRow("selbst bestimmen") << 7 << 0 << qint64(0);
}

void TestBoardLogic::shuffleMoveCounts()
{
    QFETCH(int, gridSize);
    QFETCH(int, duration);
    QFETCH(qint64, moves);
    QCOMPARE(ShuffleMoveCount(gridSize, duration), moves);
}

QTEST_MAIN(TestBoardLogic)
#include "tst_boardlogic.moc"

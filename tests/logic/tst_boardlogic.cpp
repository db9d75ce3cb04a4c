#include "logic/BoardLogic.h"

#include <QTest>

// Outline texts, slide offsets, clock text and shuffle counts, as the main window uses them.
class TestBoardLogic : public QObject
{
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void animatedOutlines_data();
    void animatedOutlines();
};

namespace {

QString slideOffsets(int direction, int frames)
{
    QStringList offsets;
    for (int frame = 1; frame <= frames; ++frame)
        offsets << QString::number(SlideOffset(direction, 50, frame, frames));
    return offsets.join(QLatin1Char(','));
}

} // namespace

void TestBoardLogic::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("board, transparent") << BoardRegionOutline(286, 286, true, QPoint(4, 4), 50, 50)
                                        << "U0,0,288,286,34,34\r\nX\r\nR218,218,268,268";
    QTest::newRow("board, opaque")
        << BoardRegionOutline(286, 286, false, QPoint(1, 2), 50, 50) << "U0,0,288,286,34,34";
    QTest::newRow("board, wide tiles") << BoardRegionOutline(436, 386, true, QPoint(0, 1), 40, 35)
                                       << "U0,0,438,386,34,34\r\nX\r\nR18,53,58,88";
    QTest::newRow("hidden board") << HiddenBoardOutline(286, 286)
                                  << "U0,0,288,286,34,34\r\nX\r\nR18,16,268,268";
    QTest::newRow("preview resize") << PreviewResizeOutline(324, 324) << "U0,0,324,324,8,8";
    // Offsets truncate towards zero, in either direction.
    QTest::newRow("fast slide") << slideOffsets(1, 2) << "25,0";
    QTest::newRow("slow slide back") << slideOffsets(-1, 8) << "-43,-37,-31,-25,-18,-12,-6,0";
    QTest::newRow("clock") << ClockText(3661) << "01:01:01";
    QTest::newRow("clock, 100 hours") << ClockText(360000) << "100:00:00";
    QTest::newRow("kurz 4x4") << QString::number(ShuffleMoveCount(4, 1)) << "16";
    QTest::newRow("lang 12x12") << QString::number(ShuffleMoveCount(12, 3)) << "14400";
    QTest::newRow("selbst bestimmen") << QString::number(ShuffleMoveCount(7, 0)) << "0";
}

void TestBoardLogic::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

void TestBoardLogic::animatedOutlines_data()
{
    QTest::addColumn<QPoint>("source");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("stripA");
    QTest::addColumn<QString>("stripB");
    // A: the part of the new free cell already uncovered; B: the old one's not yet covered.
    QTest::newRow("left, frame 1") << QPoint(4, 4) << QPoint(3, 4) << 1 << "R168,218,175,268"
                                   << "R225,218,268,268";
    QTest::newRow("right, frame 1") << QPoint(1, 0) << QPoint(3, 0) << 1 << "R68,18,111,68"
                                    << "R211,18,218,68";
    QTest::newRow("down, frame 4") << QPoint(0, 0) << QPoint(0, 2) << 4 << "R18,18,68,43"
                                   << "R18,143,68,168";
}

void TestBoardLogic::animatedOutlines()
{
    QFETCH(QPoint, source);
    QFETCH(QPoint, target);
    QFETCH(int, frame);
    QFETCH(QString, stripA);
    QFETCH(QString, stripB);
    const QString breakLine = QStringLiteral("\r\n");
    const QStringList lines {QStringLiteral("{"), PlainOutline(286, 286), QStringLiteral("X"),
        stripA, QStringLiteral("}"), QStringLiteral("X"), stripB};
    QCOMPARE(AnimatedOutline(286, 286, SlideFrame {source, target, frame, 8, 50, 50}),
        lines.join(breakLine));

    // On the last frame one strip is empty and the other is the whole new free cell.
    const QStringList last
        = AnimatedOutline(286, 286, SlideFrame {source, target, 8, 8, 50, 50}).split(breakLine);
    const QString cell = BoardRegionOutline(286, 286, true, target, 50, 50).split(breakLine).last();
    const auto isEmpty = [](const QString &rect) {
        const QStringList v = rect.mid(1).split(QLatin1Char(','));
        return v[0] == v[2] || v[1] == v[3];
    };
    QVERIFY((last[3] == cell && isEmpty(last[6])) || (last[6] == cell && isEmpty(last[3])));
}

QTEST_GUILESS_MAIN(TestBoardLogic)
#include "tst_boardlogic.moc"

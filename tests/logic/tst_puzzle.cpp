#include "logic/Puzzle.h"

#include <QTest>

// The game as a value: presses become line moves, shuffles keep the board solvable, the
// outline follows the state; and the plain values the window draws with.
class TestPuzzle : public QObject
{
    Q_OBJECT

private slots:
    void presses_data();
    void presses();
    void shufflesStaySolvable();
    void outlines_data();
    void outlines();
    void values_data();
    void values();
};

namespace {

const QString Solved4 = QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 0");

// Even for every arrangement a line moves can reach from the solved one.
int parity(const Puzzle &puzzle)
{
    const int n = puzzle.gridSize();
    QList<int> order;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c)
            order << puzzle.homeAt(QPoint(c, r)).y() * n + puzzle.homeAt(QPoint(c, r)).x();
    int inversions = 0;
    for (int i = 0; i < order.size(); ++i)
        for (int j = i + 1; j < order.size(); ++j)
            inversions += order[i] > order[j];
    const QPoint free = puzzle.freeCell();
    return (inversions + (n - 1 - free.x()) + (n - 1 - free.y())) % 2;
}

} // namespace

void TestPuzzle::presses_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QPoint>("pressed");
    QTest::addColumn<QString>("after"); // empty: the press moves nothing
    QTest::newRow("left, whole row")
        << Solved4 << QPoint(0, 3) << "1 2 3 4 5 6 7 8 9 10 11 12 0 13 14 15";
    QTest::newRow("up, two cells")
        << Solved4 << QPoint(3, 1) << "1 2 3 4 5 6 7 0 9 10 11 8 13 14 15 12";
    QTest::newRow("right") << "1 2 3 4 5 6 7 8 9 10 11 12 0 13 14 15" << QPoint(2, 3)
                           << "1 2 3 4 5 6 7 8 9 10 11 12 13 14 0 15";
    QTest::newRow("down") << "0 2 3 4 1 6 7 8 5 10 11 12 9 13 14 15" << QPoint(0, 2)
                          << "1 2 3 4 5 6 7 8 0 10 11 12 9 13 14 15";
    QTest::newRow("off the lines") << Solved4 << QPoint(1, 1) << "";
    QTest::newRow("the free cell") << Solved4 << QPoint(3, 3) << "";
    QTest::newRow("off the board") << Solved4 << QPoint(3, 4) << "";
}

void TestPuzzle::presses()
{
    QFETCH(QString, before);
    QFETCH(QPoint, pressed);
    QFETCH(QString, after);
    const std::optional<Puzzle> puzzle = Puzzle::fromString(before);
    QVERIFY(puzzle);
    const std::optional<LineMove> move = puzzle->moveForPress(pressed);
    QCOMPARE(bool(move), !after.isEmpty());
    if (!move)
        return;
    Puzzle next = *puzzle;
    next.apply(*move);
    QCOMPARE(next.toString(), after);
    QCOMPARE(next.freeCell(), pressed);
    QVERIFY(!next.isSolved());
}

void TestPuzzle::shufflesStaySolvable()
{
    std::mt19937 random(20240607);
    for (int size : {4, 5, 12}) {
        Puzzle puzzle(size);
        for (int i = 0; i < 2000; ++i) {
            const LineMove move = puzzle.randomMove(random);
            QVERIFY(move.from == puzzle.freeCell() && move.length() > 0);
            QVERIFY(move.from.x() == move.to.x() || move.from.y() == move.to.y());
            puzzle.apply(move);
        }
        QCOMPARE(parity(puzzle), 0);
        const QPoint inRow(puzzle.freeCell().x() == 0 ? 1 : 0, puzzle.freeCell().y());
        QVERIFY(puzzle.moveForPress(inRow)->length() > 0);
        QVERIFY(!puzzle.isSolved());
        QVERIFY(Puzzle::fromString(puzzle.toString()) == puzzle);
    }
    // Swapping two tiles makes an arrangement no shuffle reaches.
    QCOMPARE(parity(*Puzzle::fromString("2 1 3 4 5 6 7 8 9 10 11 12 13 14 15 0")), 1);
    QVERIFY(!Puzzle::fromString("1 2 3"));
    QVERIFY(!Puzzle::fromString("1 1 3 4 5 6 7 8 9 10 11 12 13 14 15 0"));
}

void TestPuzzle::outlines_data()
{
    QTest::addColumn<QString>("board");
    QTest::addColumn<QPoint>("pressed");
    // "opaque", "building", "mixed" (shuffled out of sight), "paused"
    QTest::addColumn<QString>("view");
    QTest::addColumn<int>("slideFrame"); // -1: no slide
    QTest::addColumn<QStringList>("expected");
    using L = QStringList;
    const QString u = QStringLiteral("U0,0,238,236,34,34"); // two pixels wider than the window
    const L hole {u, "X", "R68,168,118,218"};
    const QPoint left(1, 3);
    QTest::newRow("play") << Solved4 << left << "" << -1 << hole;
    QTest::newRow("opaque") << Solved4 << left << "opaque" << -1 << L {u};
    QTest::newRow("building") << Solved4 << left << "building" << -1
                              << L {u, "X", "R18,18,218,218"};
    // The two pixels above the board go too, so no sliver of a tile peeks out.
    QTest::newRow("shuffling out of sight")
        << Solved4 << left << "mixed" << -1 << L {u, "X", "R18,16,218,218"};
    QTest::newRow("paused") << Solved4 << left << "paused" << 3 << L {u};
    // A slide cuts out the part of the new free cell already uncovered, then the part of the
    // old one not yet covered.
    const auto slide = [&u](const char *a, const char *b) {
        return L {"{", u, "X", a, "}", "X", b};
    };
    QTest::newRow("left, frame 0")
        << Solved4 << left << "" << 0 << slide("R68,168,68,218", "R168,168,218,218");
    QTest::newRow("left, frame 3")
        << Solved4 << left << "" << 3 << slide("R68,168,87,218", "R187,168,218,218");
    QTest::newRow("left, last frame")
        << Solved4 << left << "" << 8 << slide("R68,168,118,218", "R218,168,218,218");
    QTest::newRow("up, frame 2") << Solved4 << QPoint(3, 1) << "" << 2
                                 << slide("R168,68,218,81", "R168,181,218,218");
    QTest::newRow("right, frame 1")
        << "1 2 3 4 5 6 7 8 9 10 11 12 13 0 14 15" << QPoint(3, 3) << "" << 1
        << slide("R68,168,111,218", "R211,168,218,218");
    QTest::newRow("down, frame 4") << "0 2 3 4 1 6 7 8 5 10 11 12 9 13 14 15" << QPoint(0, 2)
                                   << "" << 4 << slide("R18,18,68,43", "R18,143,68,168");
    QTest::newRow("slide, opaque") << Solved4 << left << "opaque" << 3 << L {u};
}

void TestPuzzle::outlines()
{
    QFETCH(QString, board);
    QFETCH(QPoint, pressed);
    QFETCH(QString, view);
    QFETCH(int, slideFrame);
    Puzzle puzzle = *Puzzle::fromString(board);
    const LineMove move = *puzzle.moveForPress(pressed);
    puzzle.apply(move);
    BoardView shown;
    shown.window = QSize(236, 236);
    shown.building = view == u"building";
    shown.paused = view == u"paused";
    shown.mixedOutOfSight = view == u"mixed";
    shown.transparent = view != u"opaque";
    shown.slideFrames = 8;
    if (slideFrame >= 0) {
        shown.slide = move;
        shown.slideFrame = slideFrame;
    }
    QTEST(WindowOutline(puzzle, shown).split(QStringLiteral("\r\n")), "expected");
}

// The plain values the main window draws and counts with.
void TestPuzzle::values_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");
    const auto offsets = [](int direction, int frames) {
        QStringList list;
        for (int frame = 1; frame <= frames; ++frame)
            list << QString::number(SlideOffset(direction, 50, frame, frames));
        return list.join(QLatin1Char(','));
    };
    // Offsets truncate towards zero, in either direction.
    QTest::newRow("fast slide") << offsets(1, 2) << "25,0";
    QTest::newRow("slow slide back") << offsets(-1, 8) << "-43,-37,-31,-25,-18,-12,-6,0";
    QTest::newRow("clock") << ClockText(3661) << "01:01:01";
    QTest::newRow("clock, 100 hours") << ClockText(360000) << "100:00:00";
    QTest::newRow("kurz 4x4") << QString::number(ShuffleMoveCount(4, 1)) << "16";
    QTest::newRow("lang 12x12") << QString::number(ShuffleMoveCount(12, 3)) << "14400";
    QTest::newRow("selbst bestimmen") << QString::number(ShuffleMoveCount(7, 0)) << "0";
    QTest::newRow("solution window resized")
        << PreviewResizeOutline(324, 324) << "U0,0,324,324,8,8";
}

void TestPuzzle::values()
{
    QFETCH(QString, value);
    QTEST(value, "expected");
}

QTEST_GUILESS_MAIN(TestPuzzle)
#include "tst_puzzle.moc"

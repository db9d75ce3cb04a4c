#include "logic/IniFile.h"
#include "logic/Puzzle.h"
#include "logic/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The game as a value: presses become line moves, shuffles keep the board solvable, the
// outline follows the state, and the settings go through their file unchanged.
class TestPuzzle : public QObject
{
    Q_OBJECT

private slots:
    void presses_data();
    void presses();
    void shufflesStaySolvable();
    void outlines_data();
    void outlines();
    void settingsRoundTrip();
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
    QTest::newRow("left, whole row") << Solved4 << QPoint(0, 3)
                                     << "1 2 3 4 5 6 7 8 9 10 11 12 0 13 14 15";
    QTest::newRow("up, two cells") << Solved4 << QPoint(3, 1)
                                   << "1 2 3 4 5 6 7 0 9 10 11 8 13 14 15 12";
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
    const Puzzle next = puzzle->applied(*move);
    QCOMPARE(next.toString(), after);
    QCOMPARE(next.freeCell(), pressed);
    QCOMPARE(puzzle->toString(), before); // a move gives a new state; the old one stays
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
        QVERIFY(puzzle.applied(*puzzle.moveForPress(inRow)) != puzzle);
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
    QTest::addColumn<int>("phase");
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<bool>("showShuffle");
    QTest::addColumn<bool>("building");
    QTest::addColumn<int>("slideFrame"); // -1: no slide
    QTest::addColumn<QString>("expected");
    const QPoint free(1, 3); // after a press on (1, 3) from (3, 3)
    const auto noGame = int(GamePhase::NoGame);
    const auto running = int(GamePhase::Running);
    const QString hole = BoardRegionOutline(236, 236, true, free, 50, 50);
    const QString plain = PlainOutline(236, 236);
    QTest::newRow("no game") << noGame << true << false << false << -1 << hole;
    QTest::newRow("no game, opaque") << noGame << false << false << false << -1 << plain;
    QTest::newRow("building") << running << true << false << true << -1
                              << BuildingOutline(236, 236);
    QTest::newRow("shuffling out of sight") << int(GamePhase::Shuffling) << true << false
                                            << false << -1 << HiddenBoardOutline(236, 236);
    QTest::newRow("shuffling in sight") << int(GamePhase::Shuffling) << true << true << false
                                        << -1 << hole;
    QTest::newRow("paused") << int(GamePhase::Paused) << true << false << false << -1 << plain;
    QTest::newRow("finished") << int(GamePhase::Finished) << true << false << false << -1
                              << hole;
    for (int frame : {0, 3, 8}) {
        QTest::addRow("slide, frame %d", frame)
            << running << true << false << false << frame
            << AnimatedOutline(236, 236, SlideFrame{QPoint(3, 3), free, frame, 8, 50, 50});
    }
    QTest::newRow("slide, opaque") << running << false << false << false << 3 << plain;
}

void TestPuzzle::outlines()
{
    QFETCH(int, phase);
    QFETCH(bool, transparent);
    QFETCH(bool, showShuffle);
    QFETCH(bool, building);
    QFETCH(int, slideFrame);
    QFETCH(QString, expected);
    Puzzle puzzle = *Puzzle::fromString(Solved4);
    const LineMove move = *puzzle.moveForPress(QPoint(1, 3));
    puzzle.apply(move);
    puzzle.phase = GamePhase(phase);
    puzzle.options.transparent = transparent;
    puzzle.options.showShuffle = showShuffle;
    BoardView view{QSize(236, 236), building, std::nullopt, 0, 8};
    if (slideFrame >= 0) {
        view.slide = move;
        view.slideFrame = slideFrame;
    }
    QCOMPARE(WindowOutline(puzzle, view), expected);
}

void TestPuzzle::settingsRoundTrip()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("tilora.ini"));
    Settings settings;
    settings.pictureName = QStringLiteral("/home/spieler/Bilder/Grüße.jpg");
    settings.pictureMode = false;
    settings.animationSpeed = 1;
    settings.transparent = false;
    settings.gridSize = 9;
    settings.zoomFactor = 7;
    settings.tileSize = 64;
    settings.tileFrames = false;
    settings.solutionView = true;
    settings.tileColor = QColor(0x12, 0x34, 0x56);
    settings.boardColor = QColor(0x65, 0x43, 0x21);
    settings.setFontColor(QColor(0xAB, 0xCD, 0xEF));
    settings.shuffleDuration = 4;
    settings.fontFamily = QStringLiteral("Liberation Serif");
    settings.fontPoints = 13;
    settings.fontStyle = 2 | 8;
    {
        IniFile ini(path);
        settings.write(ini);
        ini.save();
    }
    Settings read = Settings::read(IniFile(path));
    QVERIFY(read.fileExisted);
    read.fileExisted = false;
    QCOMPARE(read.fontColorValue, 0xEFCDAB);
    QVERIFY(read == settings);

    // The keys, in the file's order and letter case; "ZeigeMischen" is never written.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.contains('='))
            keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    QCOMPARE(keys.join(QLatin1Char(' ')),
             QStringLiteral("Groesse SteinGroesse Vorschau Bild BildModus Animation Steinrahmen "
                            "Transparenz Mischdauer Zoom Steinfarbe Brettfarbe SteinTextFont "
                            "SteinTextGroesse SteinTextFarbe SteinTextStyle"));
}

QTEST_GUILESS_MAIN(TestPuzzle)
#include "tst_puzzle.moc"

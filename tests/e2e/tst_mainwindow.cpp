#include "logic/BoardLogic.h"
#include "region/FormRgn.h"
#include "support/E2eHarness.h"

#include <QTest>

// The real program on a real X server: where its window shows, what shows through its
// outline, and a game's first moves seen on the screen.
class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstStartShowsTheBoard();
    void shuffleAndSlideATile();

private:
    // The screen point of a cell's centre on the 5 x 5 board of 50-pixel tiles.
    static QPoint cellCentre(const QRect &window, QPoint cell)
    {
        return window.topLeft() + QPoint(18 + cell.x() * 50 + 25, 18 + cell.y() * 50 + 25);
    }
    // The cells through which the screen shows.
    static QList<QPoint> holes(const QImage &screen, const QRect &window);
};

QList<QPoint> TestMainWindow::holes(const QImage &screen, const QRect &window)
{
    QList<QPoint> found;
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 5; ++r)
            if (e2e::pixelAt(screen, cellCentre(window, QPoint(c, r))) == e2e::rootColor())
                found << QPoint(c, r);
    return found;
}

void TestMainWindow::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

void TestMainWindow::firstStartShowsTheBoard()
{
    e2e::Program program;
    program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    QVERIFY(!id.isEmpty());
    const QRect window = e2e::windowGeometry(id);
    QCOMPARE(window, QRect(42, 142, 286, 286));

    QImage screen;
    E2E_TRY_VERIFY((screen = e2e::screenshot(),
                              holes(screen, window) == QList<QPoint>{QPoint(4, 4)}),
                             10000);
    // Rounded corners let the screen through; the frame and the picture do not.
    QCOMPARE(e2e::pixelAt(screen, window.topLeft()), e2e::rootColor());
    QCOMPARE(e2e::pixelAt(screen, window.topLeft() + QPoint(285, 0)), e2e::rootColor());
    QCOMPARE(e2e::pixelAt(screen, window.topLeft() + QPoint(0, 284)), e2e::rootColor());
    QVERIFY(e2e::pixelAt(screen, window.topLeft() + QPoint(143, 3)) != e2e::rootColor());
    QVERIFY(e2e::pixelAt(screen, window.topLeft() + QPoint(3, 143)) != e2e::rootColor());
    int pictureColours = 0;
    QColor previous;
    for (int x = 20; x < 260; x += 12) {
        const QColor colour = e2e::pixelAt(screen, window.topLeft() + QPoint(x, 40));
        QVERIFY(colour != e2e::rootColor());
        if (colour != previous)
            ++pictureColours;
        previous = colour;
    }
    QVERIFY2(pictureColours > 5, "the board shows a picture");

    // The outline on the server is the one the window asked for.
    QWidget reference;
    reference.resize(286, 286);
    const std::optional<QRegion> expected = EvaluateRegion(
        BoardRegionOutline(286, 286, true, QPoint(4, 4), 50, 50), reference);
    QVERIFY(expected);
    QCOMPARE(e2e::windowShape(id), *expected);
}

void TestMainWindow::shuffleAndSlideATile()
{
    e2e::Program program;
    // A short shuffle, and the slow slide, so that its frames can be watched.
    program.writeFile(QStringLiteral("tilora.ini"),
                      "[Allgemein]\nMischdauer=1\nAnimation=1\nBild=Motiv A\n");
    program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    QVERIFY(!id.isEmpty());
    const QRect window = e2e::windowGeometry(id);
    QImage before;
    E2E_TRY_VERIFY((before = e2e::screenshot(), holes(before, window).size() == 1),
                             10000);

    // A click on "Mischen!" mixes the board: the pixels change, and one hole is left (which
    // may be where it was: the shuffle is random).
    e2e::click(window.center());
    const auto changedCells = [&](const QImage &after) {
        int changed = 0;
        for (int c = 0; c < 5; ++c)
            for (int r = 0; r < 5; ++r)
                if (e2e::pixelAt(before, cellCentre(window, QPoint(c, r)))
                    != e2e::pixelAt(after, cellCentre(window, QPoint(c, r))))
                    ++changed;
        return changed;
    };
    QImage after;
    QList<QPoint> hole;
    E2E_TRY_VERIFY((after = e2e::screenshot(), hole = holes(after, window),
                       hole.size() == 1 && changedCells(after) >= 3),
        15000);
    QVERIFY2(changedCells(after) >= 3, "the tiles moved");

    // Slide the tile next to the hole into it; watch the outline frame by frame.
    const QPoint free = hole.first();
    const QPoint pressed = free.x() > 0 ? free - QPoint(1, 0) : free + QPoint(1, 0);
    QWidget reference;
    reference.resize(286, 286);
    QList<QRegion> frames;
    for (int frame = 1; frame <= 8; ++frame) {
        frames << *EvaluateRegion(
            AnimatedOutline(286, 286, SlideFrame{free, pressed, frame, 8, 50, 50}), reference);
    }
    const QRegion start = e2e::windowShape(id);
    QCOMPARE(start, *EvaluateRegion(BoardRegionOutline(286, 286, true, free, 50, 50), reference));

    e2e::mouseMove(cellCentre(window, pressed));
    e2e::run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
    QList<int> seen;
    QElapsedTimer watch;
    watch.start();
    QRegion shape = start;
    while (watch.elapsed() < 5000) {
        shape = e2e::windowShape(id);
        const int frame = frames.indexOf(shape);
        if (frame >= 0 && (seen.isEmpty() || seen.last() != frame))
            seen << frame;
        if (frame == 7)
            break;
    }
    // The outline passed through the slide's frames in order and ended with the hole in
    // the pressed cell.
    QVERIFY2(seen.size() >= 4, qPrintable(QStringLiteral("frames seen: %1").arg(seen.size())));
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(seen.last(), 7);
    E2E_TRY_VERIFY(holes(e2e::screenshot(), window) == QList<QPoint>{pressed}, 5000);
}

TILORA_E2E_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

#include "support/E2eHarness.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QTest>

// The program on a screen of more device pixels than logical ones (QT_SCALE_FACTOR): the
// tiles show the picture's detail, and a dialog larger than the screen keeps its buttons in
// reach.
class TestHighDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tilesAreSharpAtTwiceTheScale();
    void settingsDialogFitsASmallScreen();

private:
    // The mean difference between neighbouring device pixels inside the top-left tile of a
    // board of 50-pixel tiles, with the program at the scale: how much detail it shows.
    static double tileDetail(qreal scale, const QString &picture);
};

namespace {

constexpr int TileSize = 50;
constexpr int Frame = 18;

// Grey noise of the board's size at twice the scale: every device pixel at 2x has a
// picture pixel of its own. Grey never matches the colour of the bare screen.
QString writeNoise(const QString &folder)
{
    QImage noise(10 * TileSize, 10 * TileSize, QImage::Format_RGB32);
    QRandomGenerator dice(4711);
    for (int y = 0; y < noise.height(); ++y) {
        for (int x = 0; x < noise.width(); ++x) {
            const int level = int(dice.bounded(256));
            noise.setPixel(x, y, qRgb(level, level, level));
        }
    }
    const QString path = folder + QStringLiteral("/rauschen.bmp");
    noise.save(path, "BMP");
    return path;
}

} // namespace

void TestHighDpi::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

double TestHighDpi::tileDetail(qreal scale, const QString &picture)
{
    e2e::Program program;
    program.setScaleFactor(scale);
    program.writeFile(QStringLiteral("tilora.ini"),
                      QStringLiteral("[Allgemein]\r\nGroesse=5\r\nSteingroesse=%1\r\nVorschau=0"
                                     "\r\nSteinrahmen=0\r\nBild=%2\r\n")
                          .arg(TileSize)
                          .arg(picture)
                          .toLocal8Bit());
    program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    if (id.isEmpty())
        return -1;
    const QRect window = e2e::windowGeometry(id);
    // Inside the tile, clear of its edges, in device pixels.
    const QRect tile(window.topLeft() + QPoint(Frame + 3, Frame + 3) * scale,
                     QSize(TileSize - 6, TileSize - 6) * scale);
    // The board shows once its picture is in: grey, not the screen behind the window.
    QImage screen;
    const auto pictureShows = [&] {
        screen = e2e::screenshot();
        return screen.rect().contains(tile) && qIsGray(screen.pixel(tile.center()));
    };
    if (!e2e::waitUntil(pictureShows))
        return -1;
    const auto grey = [&screen](int x, int y) { return qRed(screen.pixel(x, y)); };
    double sum = 0;
    int pairs = 0;
    for (int y = tile.top(); y < tile.bottom(); ++y) {
        for (int x = tile.left(); x < tile.right(); ++x) {
            sum += std::abs(grey(x + 1, y) - grey(x, y)) + std::abs(grey(x, y + 1) - grey(x, y));
            pairs += 2;
        }
    }
    return sum / pairs;
}

// A picture blown up from the logical size changes half as much from one device pixel to the
// next as at 1x; cut at the screen's resolution it shows detail at every device pixel.
void TestHighDpi::tilesAreSharpAtTwiceTheScale()
{
    QTemporaryDir folder;
    const QString picture = writeNoise(folder.path());
    const double single = tileDetail(1, picture);
    const double twice = tileDetail(2, picture);
    qInfo("detail of a tile: %.1f at 1x, %.1f at 2x", single, twice);
    QVERIFY(single > 0);
    QVERIFY2(twice > single, "the picture is scaled up from 1x");
}

// At 3x the test screen has 533 x 400 logical pixels; with tiles of 100 the settings dialog
// needs 444. It stays on the screen, and Abbruch, at its bottom left, answers a click.
void TestHighDpi::settingsDialogFitsASmallScreen()
{
    constexpr int Scale = 3;
    e2e::Program program;
    program.setScaleFactor(Scale);
    program.writeFile(QStringLiteral("tilora.ini"),
                      "[Allgemein]\r\nGroesse=5\r\nSteingroesse=100\r\nVorschau=0\r\n");
    QProcess *tilora = program.start();
    const QString mainId = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, tilora->processId());
    QVERIFY(!mainId.isEmpty());
    e2e::run(QStringLiteral("xdotool"),
             {QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainId});
    e2e::key(QStringLiteral("F9"));
    const QString dialogId =
        e2e::waitForWindow(QStringLiteral("Einstellungen"), 10000, tilora->processId());
    QVERIFY2(!dialogId.isEmpty(), "F9 opened no settings dialog");
    const QRect dialog = e2e::windowGeometry(dialogId);
    const QRect screen = e2e::screenshot().rect();
    QVERIFY2(screen.contains(dialog),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(dialog.x())
                            .arg(dialog.y())
                            .arg(dialog.width())
                            .arg(dialog.height())));

    // Abbruch lies 13 pixels from the left and 31 above the bottom, 94 x 25 pixels large.
    e2e::click(dialog.bottomLeft() + QPoint(13 + 47, -31 + 12) * Scale);
    E2E_TRY_VERIFY(!e2e::visibleWindows(tilora->processId()).contains(dialogId), 10000);
    QCOMPARE(tilora->state(), QProcess::Running);
}

TILORA_E2E_MAIN(TestHighDpi)
#include "tst_hidpi.moc"

#include "logic/HighscoreTable.h"
#include "logic/IniFile.h"
#include "support/E2eColourBoard.h"
#include "support/E2eHarness.h"

#include <QDate>
#include <QImage>
#include <QTest>

#include <optional>

// A real game in the running program: shuffled by "Mischen!", solved by clicks on the tiles
// as seen on screen, then the name typed into the high score window and found in
// "highscore.ini"; key H shows the table again.
class TestHighscoreE2e : public QObject
{
    Q_OBJECT

private slots:
    void solvedGameEntersTheTableAndKeyHShowsIt();
};

namespace {

constexpr int Tile = 50;
constexpr int Frame = 18;

QPoint cellCentre(QPoint window, int cell)
{
    return window
        + QPoint(Frame + (cell % e2e::ColourGrid) * Tile + Tile / 2,
            Frame + (cell / e2e::ColourGrid) * Tile + Tile / 2);
}

// How much of a rectangle of the screen is white: the name field is, the table is not.
double whiteShare(const QImage &screen, const QRect &rect)
{
    int white = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            white += e2e::pixelAt(screen, QPoint(x, y)) == Qt::white;
    return double(white) / (rect.width() * rect.height());
}

// The name cells of a row in the high score window, on screen.
QRect nameArea(QPoint window, int row)
{
    return QRect(window + QPoint(20 + 40, 29 + 25 * row - 15), QSize(150, 12));
}

} // namespace

void TestHighscoreE2e::solvedGameEntersTheTableAndKeyHShowsIt()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    const QString picture = program.filePath(QStringLiteral("farben.bmp"));
    QVERIFY(e2e::colourPicture(Tile).save(picture, "BMP"));
    program.writeFile(QStringLiteral("tilora.ini"),
        "[Allgemein]\nGroesse=4\nSteingroesse=50\nBildModus=1\nBild=" + picture.toUtf8()
            + "\nAnimation=0\nMischdauer=1\nSteinRahmen=0\nTransparenz=0\nZeigeMischen=0\n"
              "Vorschau=0\nBrettFarbe=16777215\n");
    const QString section = QStringLiteral("farben.bmp,4,1");

    QProcess *tilora = program.start();
    const QString mainId = e2e::waitForWindow(QStringLiteral("Tilora"), 15000, tilora->processId());
    QVERIFY(!mainId.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(e2e::windowGeometry(mainId).size(), QSize(236, 236), 10000);
    const QPoint window = e2e::windowGeometry(mainId).topLeft();

    // "Mischen!" in the middle of the board; then wait for the shuffled board to show.
    e2e::click(window + QPoint(118, 118));
    std::optional<e2e::ColourBoard> board;
    QTRY_VERIFY_WITH_TIMEOUT((board = e2e::colourBoardOnScreen(e2e::screenshot(),
                                  [&](int cell) { return cellCentre(window, cell); }))
            && e2e::distanceHome(*board) > 0
            && e2e::visibleWindows(tilora->processId()).size() == 1,
        15000);
    const QList<int> presses = e2e::solveColourBoard(*board);
    QVERIFY(!presses.isEmpty());
    for (qsizetype i = 0; i < presses.size(); ++i) {
        // The clock must show a second at least, or the time would not count.
        if (i == presses.size() - 1)
            QTest::qWait(1500);
        e2e::click(cellCentre(window, presses[i]));
    }

    const QString messageId
        = e2e::waitForWindow(QStringLiteral("Meldung"), 10000, tilora->processId());
    QVERIFY2(!messageId.isEmpty(), "the solved board showed no message");
    e2e::click(e2e::windowGeometry(messageId).center());

    const QString highscoreId
        = e2e::waitForWindow(QStringLiteral("Highscore"), 10000, tilora->processId());
    QVERIFY2(!highscoreId.isEmpty(), "no high score window after the game");
    const QPoint highscore = e2e::windowGeometry(highscoreId).topLeft();
    // The white name field covers row 1 of the empty table.
    QTRY_VERIFY_WITH_TIMEOUT(whiteShare(e2e::screenshot(), nameArea(highscore, 1)) > 0.6, 5000);

    e2e::type(QStringLiteral("Jürgen"));
    e2e::key(QStringLiteral("Return"));
    // The stored bytes are the logic tests'; here the row as the program reads it back.
    const auto firstRow = [&] {
        return ReadTable(IniFile(program.filePath(QStringLiteral("highscore.ini"))), section)[0];
    };
    QTRY_COMPARE_WITH_TIMEOUT(firstRow().name.trimmed(), QStringLiteral("Jürgen"), 5000);
    const HighscoreEntry entry = firstRow();
    QVERIFY2(entry.time >= "00:00:01" && entry.time <= "00:00:59", qPrintable(entry.time));
    QCOMPARE(entry.date, QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));

    // Esc closes the window; H opens it again with the table and without a name field.
    e2e::key(QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(!e2e::visibleWindows(tilora->processId()).contains(highscoreId), 5000);
    e2e::run(QStringLiteral("xdotool"),
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainId});
    e2e::key(QStringLiteral("h"));
    const QString againId
        = e2e::waitForWindow(QStringLiteral("Highscore"), 10000, tilora->processId());
    QVERIFY2(!againId.isEmpty(), "H opened no high score window");
    QTest::qWait(300);
    const double share
        = whiteShare(e2e::screenshot(), nameArea(e2e::windowGeometry(againId).topLeft(), 1));
    QVERIFY2(share > 0.02 && share < 0.3, qPrintable(QString::number(share)));
    e2e::key(QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(!e2e::visibleWindows(tilora->processId()).contains(againId), 5000);
    const QByteArray errors = program.errors();
    QVERIFY2(
        !errors.contains("runtime error") && !errors.contains("Sanitizer"), errors.constData());
}

TILORA_E2E_MAIN(TestHighscoreE2e)

#include "tst_highscore.moc"

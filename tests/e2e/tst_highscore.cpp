#include "logic/HighscoreTable.h"
#include "logic/IniFile.h"
#include "support/E2eHarness.h"

#include <QImage>
#include <QTest>

// Key H in the running program shows the table of the game's configuration, without the name
// field that only a new result opens. Solved games entering the table through the screen are
// the soak's.
class TestHighscoreE2e : public QObject
{
    Q_OBJECT

private slots:
    void keyHShowsTheTable();
};

namespace {

// How much of a rectangle of the screen is white: a name field is, a row's text a little.
double whiteShare(const QImage &screen, const QRect &rect)
{
    int white = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            white += e2e::pixelAt(screen, QPoint(x, y)) == Qt::white;
    return double(white) / (rect.width() * rect.height());
}

} // namespace

void TestHighscoreE2e::keyHShowsTheTable()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    program.writeFile(QStringLiteral("tilora.ini"),
        "[Allgemein]\nGroesse=4\nBildModus=0\nMischdauer=1\nVorschau=0\n");
    {
        IniFile file(program.filePath(QStringLiteral("highscore.ini")));
        HighscoreTable table;
        table[0] = {QStringLiteral("Jürgen"), QStringLiteral("00:00:42"),
            QStringLiteral("01.02.2024"), TimeKey(u"00:00:42")};
        std::mt19937 random(1);
        WriteTable(file, QStringLiteral("Text,4,1"), table, random);
        file.save();
    }
    QProcess *tilora = program.start();
    const QString mainId = e2e::waitForWindow(QStringLiteral("Tilora"), 15000, tilora->processId());
    QVERIFY(!mainId.isEmpty());
    E2E_TRY_COMPARE(e2e::windowGeometry(mainId).size(), QSize(236, 236), 10000);

    e2e::run(QStringLiteral("xdotool"),
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainId});
    e2e::key(QStringLiteral("h"));
    const QString tableId
        = e2e::waitForWindow(QStringLiteral("Highscore"), 10000, tilora->processId());
    QVERIFY2(!tableId.isEmpty(), "H opened no high score window");
    // Row 1's name cells show the stored name as text, not a white field.
    const QRect name(e2e::windowGeometry(tableId).topLeft() + QPoint(60, 39), QSize(150, 12));
    double share = 0;
    E2E_TRY_VERIFY(
        (share = whiteShare(e2e::screenshot(), name)) > 0.02 && share < 0.3, 5000);
    e2e::key(QStringLiteral("Escape"));
    E2E_TRY_VERIFY(!e2e::visibleWindows(tilora->processId()).contains(tableId), 5000);
    const QByteArray errors = program.errors();
    QVERIFY2(
        !errors.contains("runtime error") && !errors.contains("Sanitizer"), errors.constData());
}

TILORA_E2E_MAIN(TestHighscoreE2e)

#include "tst_highscore.moc"

#include "support/E2eHarness.h"
#include "support/Metafiles.h"

#include "logic/MetafileModule.h"

#include <QFile>
#include <QTest>

// The generator's metafiles on the board of the real program: stored as its picture, and chosen
// in the open-picture dialog. The board stretches the picture over 5 x 5 tiles of 50 pixels.
class TestMetafiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void metafileShowsOnTheBoard_data();
    void metafileShowsOnTheBoard();
};

namespace {

constexpr int Board = 250;
constexpr int Frame = 18;

// Every known colour of the picture shows where the board puts it.
bool boardShows(QPoint boardAt)
{
    const QImage screen = e2e::screenshot();
    for (const metafile::KnownColour &known : metafile::KnownColours()) {
        const QPoint at = boardAt
            + QPoint(int(known.point.x() * Board / metafile::Frame.width()),
                int(known.point.y() * Board / metafile::Frame.height()));
        // The free slot, bottom right, shows no picture.
        if (at.x() - boardAt.x() >= Board - 50 && at.y() - boardAt.y() >= Board - 50)
            continue;
        if (metafile::colourError(e2e::pixelAt(screen, at), QColor(known.colour)) > 12)
            return false;
    }
    return true;
}

} // namespace

void TestMetafiles::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

void TestMetafiles::metafileShowsOnTheBoard_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("fromDialog");
    // A program copied on its own finds the module where the build put it.
    QTest::addColumn<bool>("moduleBeside");
    QTest::newRow("stored WMF") << "bild.wmf" << metafile::sampleWmf() << false << true;
    QTest::newRow("stored EMF, program alone")
        << "bild.emf" << metafile::sampleEmf() << false << false;
    QTest::newRow("WMF from the dialog, program alone")
        << "bild.wmf" << metafile::sampleWmf() << true << false;
    QTest::newRow("EMF from the dialog") << "bild.emf" << metafile::sampleEmf() << true << true;
}

void TestMetafiles::metafileShowsOnTheBoard()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(bool, fromDialog);
    QFETCH(bool, moduleBeside);
    e2e::Program program;
    if (!moduleBeside)
        QVERIFY(QFile::remove(program.filePath(QLatin1String(MetafileModuleFileName))));
    program.writeFile(name, data);
    const QString picture = fromDialog ? QStringLiteral("Motiv A") : program.filePath(name);
    program.writeFile(QStringLiteral("tilora.ini"),
        QStringLiteral("[Allgemein]\r\nGroesse=5\r\nSteingroesse=50\r\nVorschau=0\r\n"
                       "Steinrahmen=0\r\nBild=%1\r\n")
            .arg(picture)
            .toUtf8());
    program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    QVERIFY(!id.isEmpty());
    const QPoint boardAt = e2e::windowGeometry(id).topLeft() + QPoint(Frame, Frame);
    if (fromDialog) {
        e2e::run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
        e2e::key(QStringLiteral("F3"));
        const QString dialog = e2e::waitForWindow(QStringLiteral("Bild laden"), 10000, program.pid());
        QVERIFY(!dialog.isEmpty());
        // The file name field has the dialog's focus; the path is plain ASCII.
        e2e::run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
        e2e::type(program.filePath(name));
        e2e::key(QStringLiteral("Return"));
    }
    QVERIFY2(e2e::waitUntil([&] { return boardShows(boardAt); }, 15000),
        "the metafile's colours do not show on the board");
    if (qEnvironmentVariableIsSet("TILORA_E2E_SCREENSHOTS"))
        e2e::screenshot().save(QStringLiteral("%1/metafile-%2.png")
                                   .arg(qEnvironmentVariable("TILORA_E2E_SCREENSHOTS"),
                                       QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-')));
    QCOMPARE(program.process()->state(), QProcess::Running);
    program.kill();
}

TILORA_E2E_MAIN(TestMetafiles)
#include "tst_metafiles.moc"

#include "support/E2eHarness.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

// The settings file of the real program, carried over to the player's own folder when the
// program's folder is read-only. What a start reads and a close writes is the widget test's.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readOnlyFolderKeepsTheOldFile();
    void signalClosesAsTheCloseButtonDoes_data();
    void signalClosesAsTheCloseButtonDoes();
};

void TestSettingsFile::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

void TestSettingsFile::readOnlyFolderKeepsTheOldFile()
{
    e2e::Program program;
    const QByteArray old("[Allgemein]\nGroesse=6\n");
    program.writeFile(QStringLiteral("tilora.ini"), old);
    QStringList prefix;
    if (geteuid() == 0) {
        // Root writes anywhere: run the program as a user to whom the folder is read-only.
        QFile::setPermissions(program.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                    | QFileDevice::ExeOwner
                                                    | QFileDevice::ReadOther
                                                    | QFileDevice::ExeOther);
        prefix = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
                  QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
    } else {
        QFile::setPermissions(program.folder(),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    QTemporaryDir player;
    QVERIFY(QFile::setPermissions(player.path(), QFile::permissions(player.path())
                                                     | QFileDevice::ReadOther
                                                     | QFileDevice::WriteOther
                                                     | QFileDevice::ExeOther));
    const QString config = player.filePath(QStringLiteral("config"));
    const QString data = player.filePath(QStringLiteral("data"));
    prefix = QStringList {QStringLiteral("env"), QStringLiteral("XDG_CONFIG_HOME=") + config,
                          QStringLiteral("XDG_DATA_HOME=") + data}
             + prefix;
    program.start(prefix);
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    QVERIFY(!id.isEmpty());
    E2E_TRY_COMPARE(e2e::windowGeometry(id).size(), QSize(336, 336), 10000);

    // The "×" caption button keeps its distance to the right edge: 33 pixels at 336.
    e2e::click(e2e::windowGeometry(id).topLeft() + QPoint(336 - 33 + 6, 2 + 6));
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.process()->exitCode(), 0);
    QCOMPARE(program.readFile(QStringLiteral("tilora.ini")), old);
    QFile settings(config + QStringLiteral("/tilora/tilora.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("\nGroesse=6\n"));
    QFile::setPermissions(program.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner);
}

void TestSettingsFile::signalClosesAsTheCloseButtonDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM, as kill sends it") << SIGTERM;
    QTest::newRow("SIGINT, as Ctrl+C in a terminal") << SIGINT;
    QTest::newRow("SIGHUP, as a logout without a session manager") << SIGHUP;
}

// The session's settings are saved and the program ends, as after a click on "×".
void TestSettingsFile::signalClosesAsTheCloseButtonDoes()
{
    QFETCH(int, signal);
    e2e::Program program;
    program.writeFile(QStringLiteral("tilora.ini"), "[Allgemein]\nBildModus=1\nGroesse=4\n");
    QProcess *tilora = program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, tilora->processId());
    QVERIFY(!id.isEmpty());
    e2e::run(QStringLiteral("xdotool"),
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), id});
    // Numbers instead of the picture: the first tile turns grey.
    e2e::key(QStringLiteral("F6"));
    const QPoint firstTile = e2e::windowGeometry(id).topLeft() + QPoint(18 + 8, 18 + 8);
    QVERIFY(e2e::waitForPixel(firstTile, QColor(0x80, 0x80, 0x80), true, 10000));

    QCOMPARE(::kill(pid_t(program.pid()), signal), 0);
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.process()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process()->exitCode(), 0);
    const QByteArray saved = program.readFile(QStringLiteral("tilora.ini"));
    QVERIFY2(saved.contains("\nBildModus=0\n") && saved.contains("Groesse=4\n"), saved);
}

TILORA_E2E_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

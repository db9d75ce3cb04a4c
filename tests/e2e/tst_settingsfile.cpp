#include "support/E2eHarness.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The settings file beside the real program: read at start, written through the "×" button,
// and carried over to the player's own folder when the program's folder is read-only.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void preparedFileSizesTheBoardAndCloseWritesIt();
    void readOnlyFolderKeepsTheOldFile();

private:
    static void clickClose(const QRect &window)
    {
        // The "×" caption button keeps its distance to the right edge: 33 pixels at 336.
        e2e::click(window.topLeft() + QPoint(window.width() - 33 + 6, 2 + 6));
    }
};

void TestSettingsFile::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
}

void TestSettingsFile::preparedFileSizesTheBoardAndCloseWritesIt()
{
    e2e::Program program;
    program.writeFile(QStringLiteral("tilora.ini"),
                      "; von Hand\n[Allgemein]\nGroesse=8\nSteingroesse=40\nZeigeMischen=1\n"
                      "Bild=Motiv B\n\n[Fremd]\nA=1\n");
    program.start();
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, program.pid());
    QVERIFY(!id.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(e2e::windowGeometry(id).size(), QSize(356, 356), 10000);

    clickClose(e2e::windowGeometry(id));
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.process()->exitCode(), 0);

    const QByteArray text = program.readFile(QStringLiteral("tilora.ini"));
    // Written into the file as it stands; the keys' order is the settings value's.
    QVERIFY(text.startsWith("; von Hand\n[Allgemein]\nGroesse=8\nSteinGroesse=40\n"));
    QVERIFY(text.contains("\nZeigeMischen=1\n") && text.contains("\n[Fremd]\nA=1\n"));
    // The motif shown is the checked one, not the stored one.
    QVERIFY(text.contains("Bild=Motiv A\n"));
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
    QTRY_COMPARE_WITH_TIMEOUT(e2e::windowGeometry(id).size(), QSize(336, 336), 10000);

    clickClose(e2e::windowGeometry(id));
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.process()->exitCode(), 0);
    QCOMPARE(program.readFile(QStringLiteral("tilora.ini")), old);
    QFile settings(config + QStringLiteral("/tilora/tilora.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("\nGroesse=6\n"));
    QFile::setPermissions(program.folder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ExeOwner);
}

TILORA_E2E_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

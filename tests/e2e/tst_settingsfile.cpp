#include "support/E2eHarness.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// The settings file of the real program, carried over to the player's own folder when the
// program's folder is read-only. What a start reads and a close writes is the widget test's.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readOnlyFolderKeepsTheOldFile();
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
    QTRY_COMPARE_WITH_TIMEOUT(e2e::windowGeometry(id).size(), QSize(336, 336), 10000);

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

TILORA_E2E_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"

#include "support/E2eHarness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// `cmake --install` into a fresh prefix gives a folder that runs as it is: the installed
// program starts from there (through the link in bin as well), shows its window, keeps its
// settings beside itself, and the menu entry points at it.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFolderRuns();

private:
    QTemporaryDir m_prefix {QDir::tempPath() + QStringLiteral("/tilora install XXXXXX")};
};

void TestInstall::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(m_prefix.isValid());
    // The rules of the program's own folder in the build tree: those of src/.
    const QString buildFolder = QFileInfo(QStringLiteral(TILORA_BINARY)).absolutePath();
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral("cmake"),
        {QStringLiteral("--install"), buildFolder, QStringLiteral("--prefix"), m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
        install.readAll().constData());
}

void TestInstall::installedFolderRuns()
{
    const QDir prefix(m_prefix.path());
    const QString folder = prefix.filePath(QStringLiteral("lib/tilora"));
    const QString program = folder + QStringLiteral("/tilora");
    QVERIFY(QFileInfo(program).isExecutable());
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("/tilora.html")));
    QCOMPARE(QFileInfo(prefix.filePath(QStringLiteral("bin/tilora"))).canonicalFilePath(),
        QFileInfo(program).canonicalFilePath());
    for (const int size : {16, 32, 48, 64, 256}) {
        const QString icon = prefix.filePath(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/tilora.png").arg(size));
        QCOMPARE(QImage(icon).size(), QSize(size, size));
    }

    QFile entryFile(prefix.filePath(QStringLiteral("share/applications/tilora.desktop")));
    QVERIFY(entryFile.open(QIODevice::ReadOnly));
    const QStringList entry = QString::fromUtf8(entryFile.readAll()).split(u'\n');
    QCOMPARE(entry.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(entry.contains(QStringLiteral("Type=Application")));
    QVERIFY(entry.contains(QStringLiteral("Icon=tilora")));
    QVERIFY(entry.contains(QStringLiteral("TryExec=") + program));
    // The prefix holds blanks: Exec quotes the path.
    QVERIFY2(
        entry.contains(QStringLiteral("Exec=\"%1\"").arg(program)), qPrintable(entry.join(u'\n')));

    // Started through the link, from elsewhere: it finds its folder all the same.
    QProcess tilora;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), e2e::display());
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    tilora.setProcessEnvironment(environment);
    tilora.setWorkingDirectory(QDir::rootPath());
    tilora.start(prefix.filePath(QStringLiteral("bin/tilora")), {});
    QVERIFY(tilora.waitForStarted(10000));
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, tilora.processId());
    QVERIFY2(!id.isEmpty(), tilora.readAllStandardError().constData());
    QRect window;
    QTRY_VERIFY_WITH_TIMEOUT((window = e2e::windowGeometry(id)).width() > 100, 10000);
    QTest::qWait(500);

    // "×" ends it and writes the settings beside the program.
    e2e::click(window.topLeft() + QPoint(window.width() - 33 + 6, 8));
    QVERIFY2(tilora.waitForFinished(20000), "the installed program did not end");
    QCOMPARE(tilora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tilora.exitCode(), 0);
    QFile settings(folder + QStringLiteral("/tilora.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("[Allgemein]"));
}

TILORA_E2E_MAIN(TestInstall)

#include "tst_install.moc"

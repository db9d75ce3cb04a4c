#include "support/E2eHarness.h"
#include "windows/ueberfenster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// `cmake --install` into a fresh prefix, and the Debian package CPack makes from the same
// build, give a program that runs as it is: it starts through the link on the PATH (bin, or
// games in the package) and from its menu entry, shows its window, finds its help. In a prefix
// its user may write the settings stay beside the program; from the package they go to the
// player's XDG folder. Slow (it packs the build): tools/make-deb.sh runs it.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedFolderRuns();
    void packageKeepsSettingsPerUser();

private:
    // What both put under the prefix; root is where the prefix lies on disk, commandFolder
    // where the link to the program is.
    static void verifyInstalledFiles(
        const QString &root, const QString &prefix, const QString &commandFolder);
    // Starts the program, waits for its window and ends it with "×".
    static void runAndClose(const QString &program, const QStringList &prefixCommand,
        const QProcessEnvironment &environment);
    static QByteArray output(const QString &program, const QStringList &arguments);

    QTemporaryDir m_scratch {QDir::tempPath() + QStringLiteral("/tilora install XXXXXX")};
};

void TestInstall::initTestCase()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(m_scratch.isValid());
    // Someone else may have to reach the package's program in here.
    QVERIFY(QFile::setPermissions(m_scratch.path(),
        QFile::permissions(m_scratch.path()) | QFile::ExeOther | QFile::ReadOther));
}

QByteArray TestInstall::output(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("%1 %2 failed: %3")
                                    .arg(program, arguments.join(u' '),
                                        QString::fromLocal8Bit(process.readAll()))),
            __FILE__, __LINE__);
        return {};
    }
    return process.readAll();
}

void TestInstall::verifyInstalledFiles(
    const QString &root, const QString &prefix, const QString &commandFolder)
{
    const QDir top(root + prefix);
    const QString program = prefix + QStringLiteral("/lib/tilora/tilora");
    QVERIFY(QFileInfo(root + program).isExecutable());
    const QString command = top.filePath(commandFolder + QStringLiteral("/tilora"));
    QCOMPARE(QFileInfo(command).canonicalFilePath(), QFileInfo(root + program).canonicalFilePath());
    QVERIFY(QFileInfo::exists(top.filePath(QStringLiteral("share/tilora/tilora.html"))));
    QVERIFY(QFileInfo::exists(
        top.filePath(QStringLiteral("share/metainfo/org.tilora.tilora.metainfo.xml"))));
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString icon
            = top.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/tilora.png").arg(size));
        QCOMPARE(QImage(icon).size(), QSize(size, size));
    }

    QFile entryFile(top.filePath(QStringLiteral("share/applications/tilora.desktop")));
    QVERIFY(entryFile.open(QIODevice::ReadOnly));
    const QStringList entry = QString::fromUtf8(entryFile.readAll()).split(u'\n');
    QCOMPARE(entry.value(0), QStringLiteral("[Desktop Entry]"));
    QVERIFY(entry.contains(QStringLiteral("Type=Application")));
    QVERIFY(entry.contains(QStringLiteral("Icon=tilora")));
    QVERIFY(entry.contains(QStringLiteral("TryExec=") + program));
    QVERIFY2(
        entry.contains(QStringLiteral("Exec=\"%1\"").arg(program)), qPrintable(entry.join(u'\n')));
}

void TestInstall::runAndClose(const QString &program, const QStringList &prefixCommand,
    const QProcessEnvironment &environment)
{
    QProcess tilora;
    QProcessEnvironment withDisplay = environment;
    withDisplay.insert(QStringLiteral("DISPLAY"), e2e::display());
    withDisplay.remove(QStringLiteral("QT_QPA_PLATFORM"));
    e2e::markAsTests(withDisplay);
    tilora.setProcessEnvironment(withDisplay);
    tilora.setWorkingDirectory(QDir::rootPath());
    if (prefixCommand.isEmpty())
        tilora.start(program, {});
    else
        tilora.start(prefixCommand.first(), prefixCommand.mid(1) << program);
    QVERIFY(tilora.waitForStarted(10000));
    const QString id = e2e::waitForWindow(QStringLiteral("Tilora"), 20000, tilora.processId());
    QVERIFY2(!id.isEmpty(), tilora.readAllStandardError().constData());
    QRect window;
    E2E_TRY_VERIFY((window = e2e::windowGeometry(id)).width() > 100, 10000);

    // "×" ends it and writes the settings, after a farewell of two seconds. A click that
    // comes before the window takes input is given again.
    bool ended = false;
    for (int attempt = 0; attempt < 6 && !ended; ++attempt) {
        e2e::click(window.topLeft() + QPoint(window.width() - 33 + 6, 8));
        ended = tilora.waitForFinished(4000);
    }
    QVERIFY2(ended, "the installed program did not end");
    QCOMPARE(tilora.exitStatus(), QProcess::NormalExit);
    QVERIFY2(tilora.exitCode() == 0, tilora.readAllStandardError().constData());
}

void TestInstall::installedFolderRuns()
{
    // The prefix holds blanks: Exec quotes the path.
    const QString prefix = m_scratch.filePath(QStringLiteral("pre fix"));
    const QString buildFolder = QFileInfo(QStringLiteral(TILORA_BINARY)).absolutePath();
    output(QStringLiteral("cmake"),
        {QStringLiteral("--install"), buildFolder, QStringLiteral("--prefix"), prefix});
    verifyInstalledFiles(QString(), prefix, QStringLiteral("bin"));
    if (QTest::currentTestFailed())
        return;

    // Started through the link, from elsewhere: it finds its folder all the same, and keeps
    // its settings there, not in the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString config = m_scratch.filePath(QStringLiteral("config"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    runAndClose(prefix + QStringLiteral("/bin/tilora"), {}, environment);
    if (QTest::currentTestFailed())
        return;
    QFile settings(prefix + QStringLiteral("/lib/tilora/tilora.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("[Allgemein]"));
    QVERIFY(!QFileInfo::exists(config));
}

void TestInstall::packageKeepsSettingsPerUser()
{
    for (const char *tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is missing (tools/install-deps.sh --test)")
                                 .arg(QString::fromLatin1(tool))));
    }
    // The package of this build as it is: packing is cheap, a Release build is not.
    QDir buildFolder = QFileInfo(QStringLiteral(TILORA_BINARY)).dir();
    QVERIFY(buildFolder.cdUp());
    const QString packages = m_scratch.filePath(QStringLiteral("packages"));
    output(QStringLiteral("cpack"),
        {QStringLiteral("--config"), buildFolder.filePath(QStringLiteral("CPackConfig.cmake")),
            QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), packages,
            QStringLiteral("-D"), QStringLiteral("CPACK_DEBIAN_COMPRESSION_TYPE=gzip")});
    const QStringList found = QDir(packages).entryList({QStringLiteral("tilora_*.deb")});
    QCOMPARE(found.size(), 1);
    const QString package = QDir(packages).filePath(found.first());

    const QString info
        = QString::fromUtf8(output(QStringLiteral("dpkg-deb"), {QStringLiteral("-I"), package}));
    QVERIFY2(info.contains(QStringLiteral(" Package: tilora\n")), qPrintable(info));
    QVERIFY(info.contains(QStringLiteral(" Section: games\n")));
    // The version a player reads in the about window.
    const QString version = info.section(QStringLiteral(" Version: "), 1).section(u'\n', 0, 0);
    QCOMPARE(TAboutBox().Label2->text(), QStringLiteral("Version ") + version);
    const QString depends = info.section(QStringLiteral(" Depends: "), 1).section(u'\n', 0, 0);
    for (const QString &dependency :
        {QStringLiteral("libqt6core6"), QStringLiteral("libqt6widgets6"),
            QStringLiteral("libjpeg62-turbo"), QStringLiteral("fonts-liberation2"),
            QStringLiteral("qt6-qpa-plugins"), QStringLiteral("qt6-translations-l10n"),
            QStringLiteral("qt6-image-formats-plugins"), QStringLiteral("xdg-utils"),
            QStringLiteral("libwmflite-0.2-7"), QStringLiteral("libemf2svg1")}) {
        QVERIFY2(depends.contains(dependency), qPrintable(depends));
    }
    // Everything in it belongs to root, whoever built it.
    const QStringList contents
        = QString::fromUtf8(output(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), package}))
              .split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(contents.size() > 10);
    for (const QString &line : contents)
        QVERIFY2(
            line.section(u' ', 1, 1, QString::SectionSkipEmpty) == "root/root", qPrintable(line));

    const QString root = m_scratch.filePath(QStringLiteral("root"));
    output(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), package, root});
    verifyInstalledFiles(root, QStringLiteral("/usr"), QStringLiteral("games"));
    if (QTest::currentTestFailed())
        return;

    // A player who cannot write the program's folder: root runs it as nobody.
    const QString home = m_scratch.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(home));
    QStringList asPlayer;
    if (geteuid() == 0) {
        asPlayer = {QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"),
            QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups")};
        output(QStringLiteral("chown"), {QStringLiteral("nobody:nogroup"), home});
    } else {
        QVERIFY(QFile::setPermissions(root + QStringLiteral("/usr/lib/tilora"),
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // As the menu entry starts it (its Exec line is checked above).
    runAndClose(root + QStringLiteral("/usr/lib/tilora/tilora"), asPlayer, environment);
    QFile::setPermissions(root + QStringLiteral("/usr/lib/tilora"),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (QTest::currentTestFailed())
        return;

    QFile settings(home + QStringLiteral("/.config/tilora/tilora.ini"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(settings.readAll().contains("[Allgemein]"));
    QCOMPARE(QDir(root + QStringLiteral("/usr/lib/tilora")).entryList(QDir::Files),
        QStringList {QStringLiteral("tilora")});
}

TILORA_E2E_MAIN(TestInstall)

#include "tst_install.moc"

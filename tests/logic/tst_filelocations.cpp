#include "logic/FileLocations.h"
#include "logic/IniFile.h"
#include "logic/TrustedFile.h"
#include "support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Where the settings and high scores live: beside the program where the player may write
// there, per user otherwise; and where the help document is found.
class TestFileLocations : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void writability_data();
    void writability();
    void preparation_data();
    void preparation();
    void failedCopyIsReadUntilASaveGetsThrough();
    void relativeUserFoldersAreIgnored_data();
    void relativeUserFoldersAreIgnored();
    void helpFile_data();
    void helpFile();
    void trustedModule_data();
    void trustedModule();
};

void TestFileLocations::choice_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("filesBeside");
    QTest::addColumn<bool>("beside");

    QTest::newRow("build folder") << "/work/tilora/build/src" << true << false << true;
    QTest::newRow("under ~/.local") << "/home/p/.local/lib/tilora" << true << false << true;
    QTest::newRow("package") << "/usr/lib/tilora" << false << false << false;
    QTest::newRow("package, run by root") << "/usr/lib/tilora" << true << false << false;
    QTest::newRow("/opt, run by root") << "/opt/tilora" << true << false << false;
    QTest::newRow("made writable, holds the files")
        << "/usr/local/lib/tilora" << true << true << true;
    QTest::newRow("holds files the player cannot write")
        << "/usr/local/lib/tilora" << false << true << false;
    QTest::newRow("read-only copy") << "/media/stick/tilora" << false << false << false;
    QTest::newRow("only a name like /usr") << "/usrdata/tilora" << true << false << true;
}

void TestFileLocations::choice()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);
    QFETCH(bool, filesBeside);
    QFETCH(bool, beside);

    const FileLocations expected = beside
        ? FileLocations {folder + "/tilora.ini", folder + "/highscore.ini"}
        : FileLocations {
            "/home/p/.config/tilora/tilora.ini", "/home/p/.local/share/tilora/highscore.ini"};
    QCOMPARE(chooseFileLocations(
                 {folder, writable, filesBeside, "/home/p/.config", "/home/p/.local/share"}),
        expected);
}

void TestFileLocations::writability_data()
{
    QTest::addColumn<QString>("folder"); // in a scratch folder; mode 0555 when read-only
    QTest::addColumn<bool>("writable");

    QTest::newRow("writable") << "program" << true;
    QTest::newRow("read-only") << "read-only" << false;
    QTest::newRow("missing") << "" << false;
    QTest::newRow("others write, sticky") << "sticky" << false;
}

void TestFileLocations::writability()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString path = scratch.filePath(folder.isEmpty() ? "gone" : folder);
    if (!folder.isEmpty())
        QVERIFY(QDir().mkpath(path));
    if (folder == "read-only") {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    }
    if (folder == "sticky")
        QVERIFY(::chmod(QFile::encodeName(path), 01777) == 0);
    QCOMPARE(programSurroundings(path).programFolderWritable, writable);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestFileLocations::preparation_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QByteArray>("oldSettings"); // beside the program; empty: no file
    QTest::addColumn<bool>("beside");

    const QByteArray old("[Allgemein]\nGroesse=6\n");
    QTest::newRow("writable folder") << true << QByteArray() << true;
    QTest::newRow("writable folder with its files") << true << old << true;
    QTest::newRow("folder the player cannot write") << false << QByteArray() << false;
    QTest::newRow("old files the player cannot write") << false << old << false;
}

// The per-user folders are made, and old files carried over, only when they are chosen.
void TestFileLocations::preparation()
{
    QFETCH(bool, writable);
    QFETCH(QByteArray, oldSettings);
    QFETCH(bool, beside);

    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QDir root(scratch.path());
    QVERIFY(root.mkdir("program"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    const QString old = root.filePath("program/tilora.ini");
    if (!oldSettings.isEmpty()) {
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(oldSettings);
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadOther));
    }

    ProgramSurroundings surroundings = programSurroundings(root.filePath("program"));
    QCOMPARE(surroundings.filesBesideProgram, !oldSettings.isEmpty());
    surroundings.programFolderWritable = writable; // as if another user ran it
    const FileLocations locations = prepareFileLocations(surroundings);

    const QString settings = beside ? old : root.filePath("config/tilora/tilora.ini");
    QCOMPARE(locations.settingsFile, settings);
    QCOMPARE(locations.highscoreFile,
        root.filePath(beside ? "program/highscore.ini" : "data/tilora/highscore.ini"));
    QCOMPARE(root.exists("config/tilora"), !beside);
    QCOMPARE(root.exists("data/tilora"), !beside);
    QCOMPARE(QFileInfo::exists(settings), !oldSettings.isEmpty());
    if (!beside && !oldSettings.isEmpty()) {
        QFile copy(settings);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), oldSettings);
        QVERIFY(copy.permissions().testFlag(QFile::WriteOwner));
    }
    QVERIFY(!root.exists("data/tilora/highscore.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
}

// A copy that fails (a full disk) must not leave the game on defaults that the next save
// writes in the old settings' place for good.
void TestFileLocations::failedCopyIsReadUntilASaveGetsThrough()
{
    QTemporaryDir scratch;
    const QDir root(scratch.path());
    QVERIFY(root.mkdir("program"));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath("config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath("data")));
    const QByteArray old = "[Allgemein]\nGroesse=6\n" + QByteArray(4096, ';') + "\n";
    QFile oldFile(root.filePath("program/tilora.ini"));
    QVERIFY(oldFile.open(QIODevice::WriteOnly) && oldFile.write(old) == old.size());
    oldFile.close();
    ProgramSurroundings surroundings = programSurroundings(root.filePath("program"));
    surroundings.programFolderWritable = false;

    const FileLocations locations = [&] {
        const FileSizeLimit fullDisk(1024);
        return prepareFileLocations(surroundings);
    }();
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QVERIFY(!QFileInfo::exists(locations.settingsFile));

    IniFile settings(locations.settingsFile);
    QVERIFY(settings.existed());
    QCOMPARE(settings.readInteger("Allgemein", "Groesse", 5), 6);
    settings.writeInteger("Allgemein", "Zoom", 3);
    settings.save();
    const IniFile saved2(locations.settingsFile);
    QCOMPARE(saved2.readInteger("Allgemein", "Groesse", 5), 6);
    QCOMPARE(saved2.readInteger("Allgemein", "Zoom", 4), 3);
}

void TestFileLocations::relativeUserFoldersAreIgnored_data()
{
    QTest::addColumn<QString>("config"); // XDG_CONFIG_HOME; XDG_DATA_HOME alike
    QTest::addColumn<bool>("home"); // the folders under the home folder are used

    QTest::newRow("relative") << "relative/folder" << true;
    QTest::newRow("dot") << "." << true;
    QTest::newRow("absolute") << "/srv/player" << false;
}

void TestFileLocations::relativeUserFoldersAreIgnored()
{
    QFETCH(QString, config);
    QFETCH(bool, home);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config + "/config"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(config + "/data"));
    const ProgramSurroundings surroundings = programSurroundings(QDir::tempPath());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(surroundings.configFolder,
        home ? QDir::homePath() + "/.config" : config + "/config");
    QCOMPARE(surroundings.dataFolder,
        home ? QDir::homePath() + "/.local/share" : config + "/data");
}

void TestFileLocations::helpFile_data()
{
    QTest::addColumn<QStringList>("present"); // under the prefix
    QTest::addColumn<QString>("found");

    const QString beside("lib/tilora/tilora.html");
    const QString share("share/tilora/tilora.html");
    QTest::newRow("beside the program") << QStringList {beside, share} << beside;
    QTest::newRow("in the share folder") << QStringList {share} << share;
    QTest::newRow("nowhere") << QStringList {} << beside;
}

void TestFileLocations::helpFile()
{
    QFETCH(QStringList, present);
    QFETCH(QString, found);

    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const QDir root(prefix.path());
    QVERIFY(root.mkpath("lib/tilora"));
    for (const QString &file : present) {
        QVERIFY(root.mkpath(QFileInfo(file).path()));
        QFile help(root.filePath(file));
        QVERIFY(help.open(QIODevice::WriteOnly));
    }
    QCOMPARE(findHelpFile(root.filePath("lib/tilora")), root.filePath(found));
}

void TestFileLocations::trustedModule_data()
{
    QTest::addColumn<int>("folderMode"); // of the module's own folder
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<bool>("trusted");
    QTest::newRow("the player's own") << 0755 << 0644 << true;
    QTest::newRow("others may write the file") << 0755 << 0666 << false;
    QTest::newRow("a sticky folder for all") << 01777 << 0644 << false;
}

// Code runs only from a file that nobody but the player and root can have put there; a sticky
// folder above the player's own (the scratch folder's /tmp) is no matter.
void TestFileLocations::trustedModule()
{
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    QTemporaryDir scratch;
    const QByteArray folder = QFile::encodeName(scratch.filePath("modules"));
    const QByteArray module = folder + "/module.so";
    QVERIFY(::mkdir(folder, 0755) == 0 && QFile(QFile::decodeName(module)).open(QFile::WriteOnly));
    QVERIFY(::chmod(module, fileMode) == 0 && ::chmod(folder, folderMode) == 0);
    const int fd = OpenTrustedFile(QFile::decodeName(module));
    QTEST(fd >= 0 && ::close(fd) == 0, "trusted");
}

QTEST_GUILESS_MAIN(TestFileLocations)

#include "tst_filelocations.moc"

#include "logic/IniFile.h"
#include "support/FileSizeLimit.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// The INI service: value parsing, lookups, in-place writes, damaged and unreadable files, and
// what a save does to the file system.
class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void readString_data();
    void readString();
    void readNumbers_data();
    void readNumbers();
    void write_data();
    void write();
    void missingFileReadsAsDefaultsAndIsCreated();
    void noiseReadsAsDefaultsAndIsRepaired();
    void unreadableFileIsNeverWrittenOver_data();
    void unreadableFileIsNeverWrittenOver();
    void readFailureAtStartHoldsForTheRun();
    void refusedThingsAreReportedWhenReadAndNeverWritten_data();
    void refusedThingsAreReportedWhenReadAndNeverWritten();
    void playersOwnLinkIsFollowed_data();
    void playersOwnLinkIsFollowed();
    void savedFileKeepsItsPermissions_data();
    void savedFileKeepsItsPermissions();
    void saveRemovesStaleTemporaries();
    void failedSaveKeepsTheOldFile();
    void saveStaysWithinTheReadLimit();

private:
    QString fixture(const QByteArray &content, const QString &name = QStringLiteral("t.ini"));
    static QByteArray bytesOf(const QString &path);

    QTemporaryDir m_folder;
};

QString TestIniFile::fixture(const QByteArray &content, const QString &name)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0)
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

QByteArray TestIniFile::bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lookup"); // section, key
    QTest::addColumn<QString>("expected");
    using L = QStringList;
    QTest::newRow("letter case") << QByteArray("[ALLGEMEIN]\nbild=a.jpg\n")
                                 << L {"allgemein", "BILD"} << "a.jpg";
    QTest::newRow("umlaut case") << QByteArray("[größe]\nk=1\n") << L {"GRÖßE", "K"} << "1";
    QTest::newRow("blanks trimmed")
        << QByteArray("  [ A ] \n \t k \t=  v w \t\r\n") << L {"A", "k"} << "v w";
    QTest::newRow("brackets in name") << QByteArray("[bild[1].jpg,5,2]\nEintrag1=x\n")
                                      << L {"bild[1].jpg,5,2", "Eintrag1"} << "x";
    QTest::newRow("Latin-1 line") << QByteArray("[A]\nk=Gr\xf6\xdf\n") << L {"A", "k"} << "Größ";
    QTest::newRow("NUL ends the value")
        << QByteArray("[A]\nk=ab\0cd\nj=x\n", 17) << L {"A", "k"} << "ab";
    QTest::newRow("lone CR") << QByteArray("[A]\nk=1\rj=2\n") << L {"A", "j"} << "DEF";
    QTest::newRow("value capped") << "[A]\nk=" + QByteArray(5000, 'y') << L {"A", "k"}
                                  << QString(2047, u'y');
    QTest::newRow("no half character")
        << "[A]\nk=" + QByteArray(2046, 'z') + "\U0001F600" << L {"A", "k"} << QString(2046, u'z');
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lookup);
    QFETCH(QString, expected);
    const IniFile ini(fixture(content));
    QVERIFY(ini.existed());
    QCOMPARE(ini.readString(lookup[0], lookup[1], QStringLiteral("DEF")), expected);
}

void TestIniFile::readNumbers_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("number");
    QTest::newRow("0X mixed case") << QByteArray("0X1f") << true << 31;
    QTest::newRow("all 32 bits") << QByteArray("0xFFFFFFFF") << true << -1;
    QTest::newRow("zero") << QByteArray("0") << true << 0;
    QTest::newRow("plus") << QByteArray("+6") << false << 0;
    QTest::newRow("negative hex") << QByteArray("-$10") << false << 0;
    QTest::newRow("other digits") << QByteArray("\u0661\u0662") << false << 0;
    QTest::newRow("decimal overflow") << QByteArray("2147483648") << false << 0;
    QTest::newRow("hex beyond 32 bits") << QByteArray("0x100000000") << false << 0;
}

// Values that are no number give the default, for integers and booleans alike.
void TestIniFile::readNumbers()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, valid);
    QFETCH(int, number);
    const IniFile ini(fixture("[A]\nk=" + value + "\n"));
    QCOMPARE(ini.readInteger("a", "k", 5), valid ? number : 5);
    QCOMPARE(ini.readBool("a", "k", true), !valid || number != 0);
    QCOMPARE(ini.readBool("a", "k", false), valid && number != 0);
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("writes"); // section, key, value, section, key, value ...
    QTest::addColumn<QByteArray>("after");
    using L = QStringList;
    QTest::newRow("in place, others kept")
        << QByteArray("; Tilora\r\n[Allgemein]\r\n Groesse = 7 \r\nZeigeMischen=1\r\n\r\n"
                      "[Andere]\r\nGroesse=9\r\n")
        << L {"allgemein", "Groesse", "5"}
        << QByteArray("; Tilora\r\n[Allgemein]\r\nGroesse=5\r\nZeigeMischen=1\r\n\r\n"
                      "[Andere]\r\nGroesse=9\r\n");
    QTest::newRow("spelling of the key")
        << QByteArray("[Allgemein]\nSteingroesse=50\n") << L {"Allgemein", "SteinGroesse", "50"}
        << QByteArray("[Allgemein]\nSteinGroesse=50\n");
    QTest::newRow("key without break")
        << QByteArray("[A]\r\nx=1") << L {"A", "k", "v"} << QByteArray("[A]\r\nx=1\r\nk=v\r\n");
    QTest::newRow("new keys in order")
        << QByteArray("[A]\nx=1\n\n") << L {"A", "k1", "1", "A", "k2", "2", "a", "K1", "3"}
        << QByteArray("[A]\nx=1\nK1=3\nk2=2\n\n");
    QTest::newRow("line breaks in value")
        << QByteArray("[A]\n") << L {"A", "k", "a\r\nb"} << QByteArray("[A]\nk=a  b\n");
    QTest::newRow("umlauts as UTF-8") << QByteArray() << L {"Größe, 1.jpg,5,2", "Bild", "Bäume.jpg"}
                                      << QByteArray("[Größe, 1.jpg,5,2]\nBild=Bäume.jpg\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, after);
    const QString path = fixture(before);
    IniFile ini(path);
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
        ini.writeString(writes[i], writes[i + 1], writes[i + 2]);
    // The last write, as read before and after saving.
    const QString &section = writes[writes.size() - 3];
    const QString &key = writes[writes.size() - 2];
    const QString readBack
        = QString(writes.last()).replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
    QCOMPARE(ini.readString(section, key, {}), readBack);
    ini.save();
    QCOMPARE(bytesOf(path), after);
    QCOMPARE(IniFile(path).readString(section, key, {}), readBack);
}

void TestIniFile::missingFileReadsAsDefaultsAndIsCreated()
{
    const QString path = m_folder.filePath(QStringLiteral("tilora.ini"));
    IniFile ini(path);
    QVERIFY(!ini.existed());
    ini.writeInteger("Allgemein", "Groesse", 12);
    ini.writeBool("Allgemein", "Vorschau", true);
    ini.save();
    // The object goes on from what it saved.
    ini.writeInteger("Allgemein", "groesse", 4);
    ini.save();
    QCOMPARE(bytesOf(path), "[Allgemein]\ngroesse=4\nVorschau=1\n");
    QVERIFY(IniFile(path).existed());
}

void TestIniFile::noiseReadsAsDefaultsAndIsRepaired()
{
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(20240601);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    const QString path = fixture(noise);
    IniFile ini(path);
    QCOMPARE(ini.readString("Allgemein", "Bild", "aussicht.jpg"), "aussicht.jpg");
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), 5);
    ini.writeInteger("Allgemein", "Groesse", 6);
    ini.writeString("Allgemein", "Bild", QStringLiteral("Größe.jpg"));
    ini.save();
    const IniFile again(path);
    QCOMPARE(again.readInteger("Allgemein", "Groesse", 5), 6);
    QCOMPARE(again.readString("Allgemein", "Bild", {}), QStringLiteral("Größe.jpg"));
}

void TestIniFile::unreadableFileIsNeverWrittenOver_data()
{
    QTest::addColumn<QString>("path");
    // Reading only the first part would drop the rest at the next save.
    QTest::newRow("over the size limit")
        << fixture("[A]\nk=1\n" + QByteArray(IniFile::MaxFileSize, ';'), "big.ini");
    // A process's memory at address 0 reads as EIO, as a bad disk block does.
    QTest::newRow("read error") << QStringLiteral("/proc/self/mem");
}

void TestIniFile::unreadableFileIsNeverWrittenOver()
{
    QFETCH(QString, path);
    const QByteArray before = bytesOf(path);
    const QString message = path + " kann nicht gelesen werden";
    IniFile ini(path);
    QVERIFY(ini.existed());
    QCOMPARE(ini.readError() ? ini.readError()->message() : QString(), message);
    QCOMPARE(ini.readInteger("A", "k", 5), 5);
    ini.writeInteger("A", "k", 2);
    QString thrown;
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        thrown = error.message();
    }
    QCOMPARE(thrown, message);
    QCOMPARE(bytesOf(path), before);
}

// Settings are read at start and written at exit: what could not be read then stays unwritten,
// even when the file reads again by the time the program ends.
void TestIniFile::readFailureAtStartHoldsForTheRun()
{
    const QString path = fixture(QByteArray(IniFile::MaxFileSize + 1, ';'), "held.ini");
    QVERIFY(IniFile(path, IniFile::ReadFailureHolds::WholeRun).readError());
    const QByteArray readable("[A]\nk=1\n");
    fixture(readable, "held.ini");
    IniFile atExit(path);
    QVERIFY(!atExit.readError());
    atExit.writeInteger("A", "k", 2);
    atExit.save();
    QCOMPARE(bytesOf(path), readable);
}

void TestIniFile::refusedThingsAreReportedWhenReadAndNeverWritten_data()
{
    QTest::addColumn<QString>("thing");
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("folder") << "folder";
    QTest::newRow("link to a pipe") << "link to pipe";
    QTest::newRow("link to nothing") << "link to nothing";
    QTest::newRow("link owned by someone else") << "foreign link";
    QTest::newRow("link to someone else's file") << "link to foreign file";
    QTest::newRow("someone else's file") << "foreign file";
}

// What is not a file of the player's at the path is said once, when it is read, and never
// written: a save neither writes through it nor puts a file in its place.
void TestIniFile::refusedThingsAreReportedWhenReadAndNeverWritten()
{
    QFETCH(QString, thing);
    if (thing.contains("foreign") && ::geteuid() != 0)
        QSKIP("only root can give a file to someone else");
    const QTemporaryDir folder;
    const QString path = folder.filePath("t.ini");
    const QByteArray path8 = QFile::encodeName(path);
    const QByteArray other("[A]\nk=1\n");
    QFile otherFile(folder.filePath("other.ini"));
    QVERIFY(otherFile.open(QIODevice::WriteOnly) && otherFile.write(other) == other.size());
    otherFile.close();
    QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath("pipe")), 0600), 0);
    if (thing == "pipe")
        QCOMPARE(::mkfifo(path8, 0600), 0);
    else if (thing == "folder")
        QVERIFY(QDir(folder.path()).mkdir("t.ini"));
    else if (thing == "foreign file")
        QVERIFY(QFile::copy(folder.filePath("other.ini"), path) && ::chown(path8, 65534, 0) == 0);
    else
        QVERIFY(QFile::link(thing == "link to pipe" ? "pipe"
                    : thing == "link to nothing" ? "missing.ini"
                                                 : "other.ini",
            path));
    if (thing == "foreign link")
        QCOMPARE(::lchown(path8, 65534, 65534), 0);
    if (thing == "link to foreign file")
        QCOMPARE(::chown(QFile::encodeName(folder.filePath("other.ini")), 65534, 65534), 0);
    struct stat before = {};
    QCOMPARE(::lstat(path8, &before), 0);

    IniFile ini(path);
    QVERIFY(ini.existed());
    const QString message = path + " kann nicht gelesen werden";
    QCOMPARE(ini.readError() ? ini.readError()->message() : QString(), message);
    QCOMPARE(ini.readString("A", "k", "DEF"), "DEF");
    ini.writeInteger("A", "k", 2);
    QString thrown;
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        thrown = error.message();
    }
    QCOMPARE(thrown, message);
    QCOMPARE(bytesOf(folder.filePath("other.ini")), other);
    struct stat after = {};
    QCOMPARE(::lstat(path8, &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(QDir(folder.path())
                 .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                 .size(),
        3);
}

void TestIniFile::playersOwnLinkIsFollowed_data()
{
    QTest::addColumn<QStringList>("links"); // from the path on; the last one leads to the file
    QTest::newRow("relative, into a dotfiles folder") << QStringList {"../dotfiles/t.ini"};
    QTest::newRow("absolute") << QStringList {"<dotfiles>/t.ini"};
    QTest::newRow("chain of two") << QStringList {"../dotfiles/middle.ini", "t.ini"};
}

// A dotfile manager keeps the file as a link into a folder of its own: the file behind it is
// read, and saved in its own folder, so that the link stays.
void TestIniFile::playersOwnLinkIsFollowed()
{
    QFETCH(QStringList, links);
    const QTemporaryDir root;
    const QDir top(root.path());
    QVERIFY(top.mkdir("config") && top.mkdir("dotfiles"));
    const QString target = top.filePath("dotfiles/t.ini");
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[A]\nk=1\n") > 0);
    file.close();
    const QString path = top.filePath("config/t.ini");
    QString link = path;
    for (QString to : links) {
        to.replace("<dotfiles>", top.filePath("dotfiles"));
        QVERIFY(QFile::link(to, link));
        link = QFileInfo(QFileInfo(link).dir().filePath(to)).absoluteFilePath();
    }

    IniFile ini(path);
    QVERIFY(!ini.readError());
    QCOMPARE(ini.readInteger("A", "k", 5), 1);
    ini.writeInteger("A", "k", 2);
    ini.save();
    QCOMPARE(bytesOf(target), QByteArray("[A]\nk=2\n"));
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(IniFile(path).readInteger("A", "k", 5), 2);
    QCOMPARE(QDir(top.filePath("config")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList {"t.ini"});
}

void TestIniFile::savedFileKeepsItsPermissions_data()
{
    QTest::addColumn<int>("before"); // -1: no file yet
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("after");
    QTest::newRow("new file") << -1 << 022 << 0644;
    QTest::newRow("shared with the group") << 0664 << 022 << 0664;
}

void TestIniFile::savedFileKeepsItsPermissions()
{
    QFETCH(int, before);
    QFETCH(int, mask);
    const QTemporaryDir folder;
    const QString path = folder.filePath("t.ini");
    if (before >= 0) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[A]\nk=1\n") > 0);
        QCOMPARE(::fchmod(file.handle(), mode_t(before)), 0);
    }
    const mode_t savedMask = ::umask(mode_t(mask));
    IniFile ini(path);
    ini.writeInteger("A", "k", 2);
    ini.save();
    ::umask(savedMask);
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(path), &info), 0);
    QTEST(int(info.st_mode & 07777), "after");
}

// Saves killed between writing and renaming left these; only the program's own pattern, only
// regular files of its user, and only old ones are taken away.
void TestIniFile::saveRemovesStaleTemporaries()
{
    const QTemporaryDir folder;
    const QDir dir(folder.path());
    const auto create = [&](const QString &name) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[A]\nk=1\n") > 0 && file.flush());
        const QDateTime old = QDateTime::currentDateTime().addSecs(
            -IniFile::StaleTemporarySeconds - 60);
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    };
    QStringList kept {"t.ini.WspPw", "t.ini.WspPwsX", "t.ini.Wsp-ws", "u.ini.WspPws",
                      "t.ini.backup", "t.ini.old123"};
    for (const QString &name : kept + QStringList {"t.ini.WspPws", "t.ini.a1B2c3"})
        create(name);
    // Another instance's save under way: written a moment ago, renamed once its fsync returns.
    QFile young(dir.filePath("t.ini.YouNg1"));
    QVERIFY(young.open(QIODevice::WriteOnly) && young.write("[A]\nk=3\n") > 0);
    young.close();
    QVERIFY(dir.mkdir("t.ini.Folder"));
    QVERIFY(QFile::link("t.ini.WspPw", dir.filePath("t.ini.Link12")));
    kept << "t.ini.Folder"
         << "t.ini.Link12";
    if (::geteuid() == 0) {
        create("t.ini.Others");
        QCOMPARE(::chown(QFile::encodeName(dir.filePath("t.ini.Others")), 65534, 65534), 0);
        kept << "t.ini.Others";
    }

    IniFile ini(dir.filePath("t.ini"));
    ini.writeInteger("A", "k", 2);
    ini.save();
    kept << "t.ini" << "t.ini.YouNg1";
    kept.sort();
    QCOMPARE(
        dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name), kept);
    // The other instance's rename goes through, and its settings are the file's.
    QCOMPARE(::rename(QFile::encodeName(dir.filePath("t.ini.YouNg1")),
                 QFile::encodeName(dir.filePath("t.ini"))),
        0);
    QCOMPARE(IniFile(dir.filePath("t.ini")).readInteger("A", "k", 0), 3);
}

// A full disk while writing leaves the old file whole and no stray file beside it (a folder in
// the file's place is the settings file's test).
void TestIniFile::failedSaveKeepsTheOldFile()
{
    QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("full")));
    const QByteArray old("[A]\nk=alt\n");
    const QString path = fixture(old, QStringLiteral("full/highscore.ini"));
    IniFile ini(path);
    // Small enough to stay in the file's write buffer until it is flushed.
    ini.writeString("A", "k", QString(8 * 1024, u'n'));

    QString message;
    try {
        const FileSizeLimit fullDisk(1024);
        ini.save();
    } catch (const EIniWriteError &error) {
        message = error.message();
    }

    QCOMPARE(message, "nach " + path + " kann nicht geschrieben werden");
    QCOMPARE(QDir(m_folder.filePath("full")).entryList(QDir::Files), QStringList {"highscore.ini"});
    QCOMPARE(bytesOf(path), old);
}

// Reading and saving keep one limit: a save past it keeps the old file.
void TestIniFile::saveStaysWithinTheReadLimit()
{
    const QByteArray old = "[A]\nk=1\n" + QByteArray(IniFile::MaxFileSize - 8, ';');
    const QString path = fixture(old, QStringLiteral("limit.ini"));
    IniFile ini(path);
    ini.writeString("A", "k", "12");
    QVERIFY_THROWS_EXCEPTION(EIniWriteError, ini.save());
    QVERIFY(bytesOf(path) == old && !IniFile(path).readError());
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

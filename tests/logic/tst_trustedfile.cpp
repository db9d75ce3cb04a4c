#include "logic/TrustedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Which files the program trusts to run code from: the file and every folder above it the
// player's or root's, and nobody else's to change.
class TestTrustedFile : public QObject
{
    Q_OBJECT

private slots:
    void trust_data();
    void trust();
};

void TestTrustedFile::trust_data()
{
    QTest::addColumn<int>("folderMode"); // of the module's folder, "modules"
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<bool>("foreign"); // the folder is someone else's
    QTest::addColumn<bool>("throughLink"); // the path names a link to the module
    QTest::addColumn<bool>("trusted");
    // The scratch folder lies in /tmp: a sticky folder above the player's own is no matter.
    QTest::newRow("the player's own") << 0755 << 0644 << false << false << true;
    QTest::newRow("through a link") << 0755 << 0644 << false << true << true;
    QTest::newRow("others may write the file") << 0755 << 0666 << false << false << false;
    QTest::newRow("the group may write the folder") << 0775 << 0644 << false << false << false;
    QTest::newRow("a sticky folder for all") << 01777 << 0644 << false << false << false;
    QTest::newRow("someone else's folder") << 0755 << 0644 << true << false << false;
}

void TestTrustedFile::trust()
{
    QFETCH(int, folderMode);
    QFETCH(int, fileMode);
    QFETCH(bool, foreign);
    QFETCH(bool, throughLink);
    if (foreign && ::geteuid() != 0)
        QSKIP("only root can give a folder to someone else");
    QTemporaryDir scratch;
    const QDir root(scratch.path());
    QVERIFY(root.mkdir("modules"));
    const QString module = root.filePath("modules/module.so");
    QFile file(module);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("code") == 4);
    file.close();
    QCOMPARE(::chmod(QFile::encodeName(module).constData(), mode_t(fileMode)), 0);
    const QByteArray folder = QFile::encodeName(root.filePath("modules"));
    QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);
    if (foreign)
        QCOMPARE(::chown(folder.constData(), 65534, 65534), 0);
    const QString path = throughLink ? root.filePath("link.so") : module;
    if (throughLink)
        QVERIFY(QFile::link(module, path));
    const int fd = OpenTrustedFile(path);
    QTEST(fd >= 0, "trusted");
    if (fd >= 0) {
        // What was opened is the module itself.
        char bytes[4] = {};
        QCOMPARE(::read(fd, bytes, 4), 4);
        QCOMPARE(QByteArray(bytes, 4), QByteArray("code"));
        ::close(fd);
    }
}

QTEST_GUILESS_MAIN(TestTrustedFile)
#include "tst_trustedfile.moc"

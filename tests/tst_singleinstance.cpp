#include "app/SingleInstance.h"
#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

// One instance per channel: hand-off, leftovers of crashed instances, racing starts, what the
// running instance does when asked to come forward, and whose folder and lock a start trusts.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterStartsHandOver();
    void leftoversOfACrashDoNotBlock_data();
    void leftoversOfACrashDoNotBlock();
    void concurrentStartsYieldOnePrimary();
    void folderIsTheUsersAlone_data();
    void folderIsTheUsersAlone();
    void lockNotOfOursDoesNotHoldBack_data();
    void lockNotOfOursDoesNotHoldBack();
    void silentOrMalformedRequestsAreIgnored();
    void bringToFront_data();
    void bringToFront();
};

namespace {

const QString ChannelName = QStringLiteral("tilora-test");

// A helper process: this test program claiming a channel (see main()). With a barrier it
// says "ready" and claims only when told to on its standard input.
std::unique_ptr<QProcess> startClaimer(const QString &folder, bool barrier = false)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QStringList arguments {QStringLiteral("--claim"), ChannelName, folder};
    if (barrier)
        arguments << QStringLiteral("--barrier");
    process->start(QCoreApplication::applicationFilePath(), arguments);
    return process;
}

// Someone else on the machine; only the administrator can make files of theirs.
constexpr uid_t OtherUser = 4242;

// What stands at a folder's place before a start looks at it.
enum Entry { Nothing, PrivateFolder, OpenFolder, Link, File, ForeignFolder };
enum Choice { RuntimeFolder, OwnFolder, NoFolder };

// Makes path one of the entries: an open folder has mode 0777, a link leads to a private
// folder of ours, a foreign folder is a private one of another user (needs the administrator).
bool plant(const QString &path, int entry)
{
    const QByteArray name = QFile::encodeName(path);
    switch (entry) {
    case PrivateFolder:
        return ::mkdir(name, 0700) == 0;
    case OpenFolder:
        return ::mkdir(name, 0700) == 0 && ::chmod(name, 0777) == 0;
    case Link:
        return ::mkdir(name + ".target", 0700) == 0 && ::symlink(name + ".target", name) == 0;
    case File:
        return QFile(path).open(QIODevice::WriteOnly);
    case ForeignFolder:
        return ::mkdir(name, 0700) == 0 && ::chown(name, OtherUser, OtherUser) == 0;
    }
    return true;
}

QStringList outputLines(QProcess &process, QByteArray &collected)
{
    collected += process.readAllStandardOutput();
    return QString::fromLatin1(collected).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

void TestSingleInstance::laterStartsHandOver()
{
    QTemporaryDir folder;
    {
        SingleInstance first(ChannelName, folder.path());
        QSignalSpy activations(&first, &SingleInstance::activationRequested);
        QVERIFY(first.claim() && first.isPrimary());
        for (int start = 0; start < 3; ++start) {
            SingleInstance later(ChannelName, folder.path());
            QSignalSpy laterActivations(&later, &SingleInstance::activationRequested);
            QVERIFY(!later.claim() && !later.isPrimary());
            // The answer came after the request was handled.
            QCOMPARE(activations.count(), start + 1);
            QCOMPARE(laterActivations.count(), 0);
        }
        QVERIFY(QFile::exists(first.socketPath()));
    }
    // The instance cleaned up after itself, and the next start is the instance again.
    QVERIFY(!QFile::exists(folder.filePath(ChannelName + QStringLiteral(".socket"))));
    SingleInstance next(ChannelName, folder.path());
    QVERIFY(next.claim());
}

void TestSingleInstance::leftoversOfACrashDoNotBlock_data()
{
    QTest::addColumn<bool>("keepLock");
    QTest::addColumn<bool>("keepSocket");
    QTest::newRow("lock and socket") << true << true;
    QTest::newRow("socket without a server") << false << true;
}

void TestSingleInstance::leftoversOfACrashDoNotBlock()
{
    QFETCH(bool, keepLock);
    QFETCH(bool, keepSocket);
    QTemporaryDir folder;
    SingleInstance instance(ChannelName, folder.path());

    // An instance that dies without cleaning up.
    auto crashed = startClaimer(folder.path());
    QByteArray output;
    QTRY_COMPARE_WITH_TIMEOUT(outputLines(*crashed, output), QStringList {"primary"}, 30000);
    crashed->kill();
    QVERIFY(crashed->waitForFinished(10000));
    QVERIFY(QFile::exists(instance.lockFilePath()));
    QVERIFY(QFile::exists(instance.socketPath()));
    if (!keepLock)
        QVERIFY(QFile::remove(instance.lockFilePath()));
    if (!keepSocket)
        QVERIFY(QFile::remove(instance.socketPath()));

    QSignalSpy activations(&instance, &SingleInstance::activationRequested);
    QVERIFY(instance.claim());
    // The new instance answers on the channel.
    SingleInstance later(ChannelName, folder.path());
    QVERIFY(!later.claim());
    QCOMPARE(activations.count(), 1);
}

void TestSingleInstance::concurrentStartsYieldOnePrimary()
{
    constexpr int Starts = 6;
    QTemporaryDir folder;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int start = 0; start < Starts; ++start)
        processes.push_back(startClaimer(folder.path(), true));
    std::vector<QByteArray> outputs(Starts);
    // Let them all claim at the same moment.
    for (int index = 0; index < Starts; ++index) {
        QTRY_COMPARE_WITH_TIMEOUT(
            outputLines(*processes[index], outputs[index]), QStringList {"ready"}, 30000);
        outputs[index].clear();
    }
    for (const auto &process : processes)
        process->write("go\n");
    for (const auto &process : processes)
        process->waitForBytesWritten(5000);

    auto finishedCount = [&] {
        int finished = 0;
        for (const auto &process : processes)
            finished += process->state() == QProcess::NotRunning ? 1 : 0;
        return finished;
    };
    QTRY_COMPARE_WITH_TIMEOUT(finishedCount(), Starts - 1, 60000);

    int primaries = 0;
    for (int index = 0; index < Starts; ++index) {
        QProcess &process = *processes[index];
        const QStringList lines = outputLines(process, outputs[index]);
        QVERIFY2(!lines.isEmpty(), process.readAllStandardError().constData());
        if (lines.first() == QLatin1String("primary")) {
            ++primaries;
            QCOMPARE(process.state(), QProcess::Running);
            // Every other start reached it.
            QTRY_COMPARE_WITH_TIMEOUT(outputLines(process, outputs[index]).count(), Starts, 30000);
            QCOMPARE(outputLines(process, outputs[index]).count("activated"), Starts - 1);
            process.kill();
            process.waitForFinished(10000);
        } else {
            QCOMPARE(lines, QStringList {"secondary"});
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
        }
    }
    QCOMPARE(primaries, 1);
}

void TestSingleInstance::folderIsTheUsersAlone_data()
{
    // What XDG_RUNTIME_DIR names (nothing: the variable is unset), what the folder of our own
    // in the temporary folder is beforehand, and which of the two is chosen.
    QTest::addColumn<int>("runtime");
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("chosen");
    QTest::newRow("runtime folder") << int(PrivateFolder) << int(Nothing) << int(RuntimeFolder);
    QTest::newRow("no runtime folder") << int(Nothing) << int(Nothing) << int(OwnFolder);
    QTest::newRow("runtime folder open to others")
        << int(OpenFolder) << int(Nothing) << int(OwnFolder);
    QTest::newRow("runtime folder is a link") << int(Link) << int(Nothing) << int(OwnFolder);
    QTest::newRow("runtime folder of another user")
        << int(ForeignFolder) << int(Nothing) << int(OwnFolder);
    QTest::newRow("own folder made before") << int(Nothing) << int(PrivateFolder) << int(OwnFolder);
    QTest::newRow("own folder open to others") << int(Nothing) << int(OpenFolder) << int(NoFolder);
    QTest::newRow("own folder is a link") << int(Nothing) << int(Link) << int(NoFolder);
    QTest::newRow("own folder is a file") << int(Nothing) << int(File) << int(NoFolder);
    QTest::newRow("own folder of another user")
        << int(Nothing) << int(ForeignFolder) << int(NoFolder);
}

void TestSingleInstance::folderIsTheUsersAlone()
{
    QFETCH(int, runtime);
    QFETCH(int, own);
    QFETCH(int, chosen);
    if ((runtime == ForeignFolder || own == ForeignFolder) && ::geteuid() != 0)
        QSKIP("only the administrator can give a folder to another user");
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldTemp = qgetenv("TMPDIR");
    const auto restore = qScopeGuard([&] {
        if (oldRuntime.isNull())
            qunsetenv("XDG_RUNTIME_DIR");
        else
            qputenv("XDG_RUNTIME_DIR", oldRuntime);
        if (oldTemp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTemp);
    });
    QTemporaryDir base;
    const QString runtimeFolder = base.filePath(QStringLiteral("runtime"));
    const QString temp = base.filePath(QStringLiteral("tmp"));
    const QString ownFolder = QStringLiteral("%1/tilora-%2").arg(temp).arg(::geteuid());
    QVERIFY(QDir().mkdir(temp));
    QVERIFY(plant(runtimeFolder, runtime));
    QVERIFY(plant(ownFolder, own));
    if (runtime == Nothing)
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder));
    qputenv("TMPDIR", QFile::encodeName(temp));

    const QString folder = SingleInstance::defaultFolder();
    const QString expected[] = {runtimeFolder, ownFolder, QString()};
    QCOMPARE(folder, expected[chosen]);
    if (chosen == OwnFolder) {
        struct stat status;
        QVERIFY(::lstat(QFile::encodeName(ownFolder), &status) == 0);
        QVERIFY(S_ISDIR(status.st_mode));
        QCOMPARE(status.st_mode & 0777, 0700u);
    }
}

void TestSingleInstance::lockNotOfOursDoesNotHoldBack_data()
{
    QTest::addColumn<bool>("asLink");
    QTest::newRow("lock of another user") << false;
    QTest::newRow("link in the lock's place") << true;
}

void TestSingleInstance::lockNotOfOursDoesNotHoldBack()
{
    QFETCH(bool, asLink);
    if (!asLink && ::geteuid() != 0)
        QSKIP("only the administrator can give a file to another user");
    QTemporaryDir folder;
    const QString lockPath = folder.filePath(ChannelName + QStringLiteral(".lock"));
    // A lock held by a running program: obeyed, it would hold every start back for good.
    QLockFile held(asLink ? folder.filePath(QStringLiteral("elsewhere")) : lockPath);
    QVERIFY(held.tryLock(0));
    if (asLink)
        QVERIFY(QFile::link(folder.filePath(QStringLiteral("elsewhere")), lockPath));
    else
        QVERIFY(::chown(QFile::encodeName(lockPath), OtherUser, OtherUser) == 0);

    SingleInstance instance(ChannelName, folder.path());
    QSignalSpy activations(&instance, &SingleInstance::activationRequested);
    QVERIFY(instance.claim());
    // It is the instance proper: later starts hand over to it.
    SingleInstance later(ChannelName, folder.path());
    QVERIFY(!later.claim());
    QCOMPARE(activations.count(), 1);
}

void TestSingleInstance::silentOrMalformedRequestsAreIgnored()
{
    QTemporaryDir folder;
    SingleInstance instance(ChannelName, folder.path());
    QSignalSpy spy(&instance, &SingleInstance::activationRequested);
    QVERIFY(instance.claim());
    QLocalSocket client;
    client.connectToServer(instance.socketPath());
    QVERIFY(client.waitForConnected(5000));
    client.write(QByteArray(300, 'a'));
    client.flush();
    // The instance closes every connection by itself, one without an end of line included.
    QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 20000);
    QCOMPARE(spy.count(), 0);
    // It still answers a proper start.
    SingleInstance later(ChannelName, folder.path());
    QVERIFY(!later.claim());
    QCOMPARE(spy.count(), 1);
}

void TestSingleInstance::bringToFront_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("restores");
    QTest::newRow("shown") << QStringLiteral("shown") << 0;
    QTest::newRow("hidden in the tray") << QStringLiteral("hidden") << 1;
}

void TestSingleInstance::bringToFront()
{
    QFETCH(QString, state);
    QFETCH(int, restores);
    QWidget window;
    QWidget other;
    window.resize(100, 100);
    other.resize(100, 100);
    if (state == QLatin1String("shown"))
        window.show();
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    int restored = 0;
    BringToFront(window, [&] {
        ++restored;
        window.showNormal();
        window.activateWindow();
    });
    QCOMPARE(restored, restores);
    QVERIFY(window.isVisible());
    QTRY_VERIFY(window.isActiveWindow());
}

int main(int argc, char *argv[])
{
    // Helper mode: claim the channel, say what came of it, and as the instance report every
    // request until killed.
    if ((argc == 4 || argc == 5) && qstrcmp(argv[1], "--claim") == 0) {
        QCoreApplication application(argc, argv);
        SingleInstance instance(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
        if (argc == 5) {
            std::puts("ready");
            std::fflush(stdout);
            char line[8];
            if (!std::fgets(line, sizeof line, stdin))
                return 1;
        }
        if (!instance.claim()) {
            std::puts("secondary");
            return 0;
        }
        QObject::connect(&instance, &SingleInstance::activationRequested, [] {
            std::puts("activated");
            std::fflush(stdout);
        });
        std::puts("primary");
        std::fflush(stdout);
        return application.exec();
    }
    QApplication application(argc, argv);
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstance.moc"

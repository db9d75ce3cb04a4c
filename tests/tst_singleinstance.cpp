#include "support/TestWindows.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "desktop/ErrorReport.h"
#include "main/HauptFenster.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
    void folderIsUsedAsChecked();
    void silentOrMalformedRequestsAreIgnored();
    void closingWindowSavesBeforeLettingGo();
    void bringToFront_data();
    void bringToFront();
    void channelOfTheDesktop_data();
    void channelOfTheDesktop();
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
enum Choice { RuntimeFolder, CacheFolder, NoFolder };
// Where XDG_CACHE_HOME points: unset, an absolute folder, a relative one.
enum Cache { CacheUnset, CacheAbsolute, CacheRelative };

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

// A lock as another process holds it; -1 when the file is locked already.
int holdLock(const QString &path)
{
    const int lock = ::open(QFile::encodeName(path), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        ::close(lock);
        return -1;
    }
    return lock;
}

int connectTo(const QString &socketPath)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

// True once the other end has closed the connection.
bool hungUp(int socket)
{
    char buffer[16];
    return ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) == 0;
}

// A null value unsets the variable.
void setVariable(const char *name, const QByteArray &value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
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
        // Each later start hands over its activation token; one that cannot travel is none.
        const QList<QPair<QByteArray, QByteArray>> tokens {{"", ""}, {"a1-b2/c3_d", "a1-b2/c3_d"},
            {"two words", ""}, {QByteArray(300, 'x'), ""}};
        const auto unset = qScopeGuard([] { qunsetenv("XDG_ACTIVATION_TOKEN"); });
        for (int start = 0; start < tokens.size(); ++start) {
            qputenv("XDG_ACTIVATION_TOKEN", tokens[start].first);
            SingleInstance later(ChannelName, folder.path());
            QSignalSpy laterActivations(&later, &SingleInstance::activationRequested);
            QVERIFY(!later.claim() && !later.isPrimary());
            // The answer came after the request was handled.
            QCOMPARE(activations.count(), start + 1);
            QCOMPARE(activations.last().first().toByteArray(), tokens[start].second);
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
    // What XDG_RUNTIME_DIR names (nothing: the variable is unset), where XDG_CACHE_HOME
    // points, what the folder of our own in the cache is beforehand, and which is chosen.
    QTest::addColumn<int>("runtime");
    QTest::addColumn<int>("cache");
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("chosen");
    const auto row = [](const char *name, int runtime, int cache, int own, int chosen) {
        QTest::newRow(name) << runtime << cache << own << chosen;
    };
    row("runtime folder", PrivateFolder, CacheUnset, Nothing, RuntimeFolder);
    row("no runtime folder", Nothing, CacheUnset, Nothing, CacheFolder);
    row("runtime folder open to others", OpenFolder, CacheUnset, Nothing, CacheFolder);
    row("runtime folder is a link", Link, CacheUnset, Nothing, CacheFolder);
    row("runtime folder of another user", ForeignFolder, CacheUnset, Nothing, CacheFolder);
    row("cache folder named", Nothing, CacheAbsolute, Nothing, CacheFolder);
    row("relative cache folder ignored", Nothing, CacheRelative, Nothing, CacheFolder);
    row("own folder made before", Nothing, CacheUnset, PrivateFolder, CacheFolder);
    row("own folder open to others", Nothing, CacheUnset, OpenFolder, NoFolder);
    row("own folder is a link", Nothing, CacheUnset, Link, NoFolder);
    row("own folder is a file", Nothing, CacheUnset, File, NoFolder);
    row("own folder of another user", Nothing, CacheUnset, ForeignFolder, NoFolder);
}

void TestSingleInstance::folderIsTheUsersAlone()
{
    QFETCH(int, runtime);
    QFETCH(int, cache);
    QFETCH(int, own);
    QFETCH(int, chosen);
    if ((runtime == ForeignFolder || own == ForeignFolder) && ::geteuid() != 0)
        QSKIP("only the administrator can give a folder to another user");
    QTemporaryDir base;
    const QString runtimeFolder = base.filePath(QStringLiteral("runtime"));
    const QString home = base.filePath(QStringLiteral("home"));
    const QString cacheFolder = cache == CacheAbsolute ? base.filePath(QStringLiteral("cache"))
                                                       : home + QStringLiteral("/.cache");
    const QString ownFolder = cacheFolder + QStringLiteral("/tilora");
    const QString temp = base.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkdir(home) && QDir().mkdir(temp));
    QVERIFY(own == Nothing || QDir().mkpath(cacheFolder));
    QVERIFY(plant(runtimeFolder, runtime) && plant(ownFolder, own));
    // Someone else was first to the name in the temporary folder: it must not matter.
    QVERIFY(plant(QStringLiteral("%1/tilora-%2").arg(temp).arg(::geteuid()),
        ::geteuid() == 0 ? ForeignFolder : OpenFolder));
    const char *const names[] = {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME", "TMPDIR"};
    const QByteArray values[] = {
        runtime == Nothing ? QByteArray() : QFile::encodeName(runtimeFolder),
        cache == CacheUnset ? QByteArray()
            : cache == CacheRelative ? QByteArray("relative/cache")
                                     : QFile::encodeName(cacheFolder),
        QFile::encodeName(home), QFile::encodeName(temp)};
    QByteArrayList saved;
    for (int i = 0; i < 4; ++i) {
        saved << qgetenv(names[i]);
        setVariable(names[i], values[i]);
    }
    const auto restore = qScopeGuard([&] {
        for (int i = 0; i < 4; ++i)
            setVariable(names[i], saved[i]);
    });

    const QString expected[] = {runtimeFolder, ownFolder, QString()};
    QCOMPARE(SingleInstance::defaultFolder(), expected[chosen]);
    // Made private as they are made.
    for (const QString &made : {own == Nothing ? cacheFolder : ownFolder, ownFolder}) {
        struct stat status;
        QVERIFY(chosen != CacheFolder
            || (::lstat(QFile::encodeName(made), &status) == 0 && S_ISDIR(status.st_mode)
                && (status.st_mode & 0777) == 0700));
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
    const int held = holdLock(asLink ? folder.filePath(QStringLiteral("elsewhere")) : lockPath);
    QVERIFY(held >= 0);
    const auto release = qScopeGuard([held] { ::close(held); });
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

// A link put in the folder's place once it is checked is never followed.
void TestSingleInstance::folderIsUsedAsChecked()
{
    QTemporaryDir root;
    QDir top(root.path());
    QVERIFY(plant(top.filePath("checked"), PrivateFolder) && top.mkdir("other"));
    SingleInstance first(ChannelName, top.filePath("checked"));
    QVERIFY(first.claim() && first.isAnswering());
    QVERIFY(top.rename("checked", "moved") && QFile::link("other", top.filePath("checked")));
    const QString socket = ChannelName + ".socket";
    QVERIFY(QFile(top.filePath("other/" + socket)).open(QIODevice::WriteOnly));
    first.release();
    QVERIFY(top.exists("other/" + socket) && !top.exists("moved/" + socket));
}

void TestSingleInstance::silentOrMalformedRequestsAreIgnored()
{
    QTemporaryDir folder;
    SingleInstance instance(ChannelName, folder.path());
    QSignalSpy spy(&instance, &SingleInstance::activationRequested);
    QVERIFY(instance.claim());
    std::vector<int> callers;
    const auto hangUp = qScopeGuard([&callers] {
        for (int caller : callers)
            ::close(caller);
    });
    const QByteArray malformed("activate two words\n");
    for (const QByteArray &request : {QByteArray(300, 'a'), malformed}) {
        callers.push_back(connectTo(instance.socketPath()));
        QVERIFY(callers.back() >= 0);
        QCOMPARE(::send(callers.back(), request.constData(), size_t(request.size()), 0),
            ssize_t(request.size()));
    }
    // The instance closes every connection by itself, one without an end of line included.
    for (int caller : callers)
        QTRY_VERIFY_WITH_TIMEOUT(hungUp(caller), 20000);
    QCOMPARE(spy.count(), 0);
    // It still answers a proper start.
    SingleInstance later(ChannelName, folder.path());
    QVERIFY(!later.claim());
    QCOMPARE(spy.count(), 1);
}

void TestSingleInstance::closingWindowSavesBeforeLettingGo()
{
    QTemporaryDir folder;
    // The settings cannot be written (a file stands where their folder would be), so that the
    // report of it marks the moment of writing.
    QVERIFY(QFile(folder.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly));
    const auto previous = CurrentErrorReporter();
    const auto restore
        = qScopeGuard([&previous] { SetErrorReporter(previous); });
    SingleInstance instance(ChannelName, folder.path());
    QVERIFY(instance.claim());
    const auto windows = CreateTestWindows(folder.filePath(QStringLiteral("file/settings")));
    TTiloraForm &main = *windows->main;
    main.hooks.openDocument = [](const QString &) {};
    LinkInstanceToWindow(instance, main);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    // While the settings are written, a later start finds the lock taken and nobody to hand
    // over to: it waits, and then reads what was written. Afterwards it is the instance.
    QList<bool> whileWriting;
    SetErrorReporter([&](const QString &) {
        const int lock = holdLock(instance.lockFilePath());
        const int caller = connectTo(instance.socketPath());
        whileWriting << (lock < 0) << (caller >= 0);
        ::close(lock);
        ::close(caller);
    });
    main.close();
    QCOMPARE(whileWriting, (QList<bool> {true, false}));
    QVERIFY(holdLock(instance.lockFilePath()) >= 0);
}

void TestSingleInstance::bringToFront_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("restores");
    QTest::newRow("shown") << QStringLiteral("shown") << 0;
    QTest::newRow("hidden in the tray") << QStringLiteral("hidden") << 1;
    QTest::newRow("minimised") << QStringLiteral("minimised") << 1;
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
    else if (state == QLatin1String("minimised"))
        window.showMinimized();
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

void TestSingleInstance::channelOfTheDesktop_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("display"); // DISPLAY for X, WAYLAND_DISPLAY for Wayland
    QTest::addColumn<QString>("desktop");
    QTest::addColumn<QString>("channel"); // empty: a name of the desktop's hash
    QTest::newRow("X screen, unix prefix") << "xcb" << "unix:0.1" << ":0" << "tilora-7-_0";
    const QString longest(40, u'w');
    QTest::newRow("40 letters") << "wayland" << longest << longest << "tilora-7-" + longest;
    QTest::newRow("41 letters") << "wayland" << longest + u'w' << longest + u'w' << QString();
}

void TestSingleInstance::channelOfTheDesktop()
{
    QFETCH(QString, platform);
    QFETCH(QString, display);
    QFETCH(QString, channel);
    const bool x = platform == u"xcb";
    const QString desktop
        = SingleInstance::desktopName(platform, x ? display : QString(), x ? QString() : display);
    QTEST(desktop, "desktop");
    const QString name = SingleInstance::channelNameFor(7, desktop);
    if (!channel.isEmpty())
        QCOMPARE(name, channel);
    else
        QVERIFY(name.startsWith(u"tilora-7-") && !name.contains(desktop.left(20)));
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

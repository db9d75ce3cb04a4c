#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a start keeps trying to reach an instance whose lock it sees (that instance may
// be between taking the lock and listening, or may have died and left the lock behind).
constexpr int ClaimTimeoutMs = 5000;
constexpr int RetryIntervalMs = 50;
constexpr int ConnectTimeoutMs = 1000;
// How long a start waits for the running instance to have come forward. A busy instance
// still gets the request; the start just stops waiting for it.
constexpr int AnswerTimeoutMs = 5000;
// A client that says nothing useful is dropped after this.
constexpr int ClientTimeoutMs = 5000;
constexpr qint64 MaximumLineLength = 64;

const QByteArray RequestLine = QByteArrayLiteral("activate\n");
const QByteArray AnswerLine = QByteArrayLiteral("done\n");

// X names one server several ways: ":0", ":0.0", "unix:0" and "unix:0.1" are the same desktop.
QString normalisedXDisplay(QString display)
{
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return display;
    const qsizetype dot = display.indexOf(QLatin1Char('.'), colon);
    if (dot >= 0)
        display.truncate(dot);
    if (display.startsWith(QLatin1String("unix:")))
        display.remove(0, 4);
    return display;
}

// A folder that no one else can write in, so that nobody can plant a lock in it or bind its
// socket before us: a directory itself (a link could be turned elsewhere), ours, mode 0700.
bool isPrivateFolder(const QString &path)
{
    struct stat status;
    if (!QDir::isAbsolutePath(path) || ::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::geteuid()
        && (status.st_mode & 0777) == 0700;
}

// Our channel's name carries our user id, so a lock that is not a plain file of ours was
// never left by an instance of ours; only the administrator can have put it in our folder.
// It is removed rather than obeyed. False when it is still there.
bool removeForeignLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    if (::lstat(name.constData(), &status) != 0)
        return true;
    if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid())
        return true;
    return ::unlink(name.constData()) == 0 || errno == ENOENT;
}

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : SingleInstance(defaultChannelName(), defaultFolder(), parent)
{ }

SingleInstance::SingleInstance(const QString &channelName, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_channelName(channelName)
    , m_folder(folder)
{ }

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    // Stop listening (which removes the socket) before the lock goes, so that the next
    // primary never finds a socket it did not make.
    delete m_server;
    m_server = nullptr;
    m_lock.reset();
    m_primary = false;
}

QString SingleInstance::lockFilePath() const
{
    return QDir(m_folder).filePath(m_channelName + QLatin1String(".lock"));
}

QString SingleInstance::socketPath() const
{
    return QDir(m_folder).filePath(m_channelName + QLatin1String(".socket"));
}

QString SingleInstance::channelNameFor(uint userId, const QString &desktop)
{
    QString safe = desktop;
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_-]"));
    safe.replace(unsafe, QStringLiteral("_"));
    // Socket paths are short (108 bytes); a long name is replaced by its hash.
    if (safe.size() > 40) {
        safe = QString::fromLatin1(
            QCryptographicHash::hash(desktop.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    }
    if (safe.isEmpty())
        safe = QStringLiteral("none");
    return QStringLiteral("tilora-%1-%2").arg(userId).arg(safe);
}

QString SingleInstance::desktopName(
    const QString &platform, const QString &xDisplay, const QString &waylandDisplay)
{
    if (platform.startsWith(QLatin1String("wayland")))
        return waylandDisplay.isEmpty() ? QStringLiteral("wayland-0") : waylandDisplay;
    if (platform == QLatin1String("xcb"))
        return normalisedXDisplay(xDisplay);
    // Offscreen and the other plugins: one desktop of that kind per user.
    return platform;
}

QString SingleInstance::currentDesktop()
{
    // The display is taken from the variables that the platform plugin itself connects
    // through; asking the X connection for its name would need Xlib for one string. A
    // "-display" argument is not honoured here: the program reads no command line.
    const QString platform = qGuiApp ? QGuiApplication::platformName() : QStringLiteral("xcb");
    return desktopName(
        platform, qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"));
}

QString SingleInstance::defaultChannelName()
{
    return channelNameFor(::getuid(), currentDesktop());
}

QString SingleInstance::defaultFolder()
{
    // The runtime folder as the session manager makes it; one that is not kept private is not
    // trusted with the lock.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return runtime;
    // Else a folder of our own among everyone's temporary files. mkdir gives it its mode as it
    // is made; one found there already may have been planted and must pass the same test.
    const QString own
        = QDir(QDir::tempPath()).filePath(QStringLiteral("tilora-%1").arg(::geteuid()));
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

bool SingleInstance::claim()
{
    if (m_primary)
        return true;
    // A lock or socket where others can write may be anyone's. Rather than obey it, this
    // start goes on alone, without hand-off.
    if (!isPrivateFolder(m_folder) || !removeForeignLock(lockFilePath())) {
        m_primary = true;
        return true;
    }
    m_lock = std::make_unique<QLockFile>(lockFilePath());
    // A running instance holds its lock for its whole life; only a holder that is gone makes
    // the lock stale, never its age.
    m_lock->setStaleLockTime(0);

    const QDeadlineTimer deadline(ClaimTimeoutMs);
    for (;;) {
        if (m_lock->tryLock(0))
            return becomePrimary();
        const bool lockUsable = m_lock->error() == QLockFile::LockFailedError;
        switch (askPrimaryToComeForward()) {
        case HandOff::Answered:
        case HandOff::NoAnswer:
            return false;
        case HandOff::NotReachable:
        case HandOff::Lost:
            break;
        }
        // Without a usable lock folder nothing can keep starts apart; a window of our own is
        // better than none.
        if (!lockUsable) {
            m_primary = true;
            return true;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(RetryIntervalMs);
    }
}

bool SingleInstance::becomePrimary()
{
    // We hold the lock, so a socket still there was left by an instance that died.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    // When listening fails we are still the one instance; later starts then end quietly
    // after their bounded wait instead of opening a second window.
    m_server->listen(socketPath());
    m_primary = true;
    return true;
}

SingleInstance::HandOff SingleInstance::askPrimaryToComeForward()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(ConnectTimeoutMs))
        return HandOff::NotReachable;
    socket.write(RequestLine);
    socket.flush();

    // Waiting in an event loop rather than blocking lets an instance in this very thread
    // answer as well.
    std::optional<HandOff> result;
    QEventLoop loop;
    auto check = [&] {
        if (result)
            return;
        if (socket.canReadLine())
            result = socket.readLine(MaximumLineLength) == AnswerLine ? HandOff::Answered
                                                                      : HandOff::NoAnswer;
        else if (socket.state() == QLocalSocket::UnconnectedState)
            result = HandOff::Lost;
        if (result)
            loop.quit();
    };
    connect(&socket, &QLocalSocket::readyRead, &loop, check);
    connect(&socket, &QLocalSocket::disconnected, &loop, check);
    connect(&socket, &QLocalSocket::errorOccurred, &loop, check);
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(AnswerTimeoutMs);
    check();
    if (!result)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort();
    return result.value_or(HandOff::NoAnswer);
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket *client = m_server->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] { readRequest(client); });
        QTimer::singleShot(ClientTimeoutMs, client, [client] { client->abort(); });
        if (client->bytesAvailable() > 0)
            readRequest(client);
    }
}

void SingleInstance::readRequest(QLocalSocket *client)
{
    if (!client->canReadLine()) {
        if (client->bytesAvailable() >= MaximumLineLength)
            client->abort();
        return;
    }
    const QByteArray line = client->readLine(MaximumLineLength);
    // Coming forward may run an event loop of its own, in which the client can go away.
    const QPointer<QLocalSocket> guard(client);
    if (line == RequestLine) {
        // Once per connection: anything after the request is ignored.
        disconnect(client, &QLocalSocket::readyRead, this, nullptr);
        emit activationRequested();
        if (guard && client->state() == QLocalSocket::ConnectedState)
            client->write(AnswerLine);
    }
    if (guard)
        client->disconnectFromServer();
}

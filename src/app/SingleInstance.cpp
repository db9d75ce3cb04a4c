#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// How long a start keeps trying to reach an instance whose lock it sees (that instance may
// be between taking the lock and listening, or closing and not yet done saving).
constexpr int ClaimTimeoutMs = 5000;
constexpr int RetryIntervalMs = 20;
// How long a start waits for the running instance to have come forward. A busy instance
// still gets the request; the start just stops waiting for it.
constexpr int AnswerTimeoutMs = 5000;
// A caller that says nothing useful is dropped after this.
constexpr int CallerTimeoutMs = 5000;
constexpr qsizetype MaximumLineLength = 256;

// The request: "activate", then the later start's activation token where it was given one
// (XDG_ACTIVATION_TOKEN), without which a Wayland compositor does not bring another
// program's window forward.
const QByteArray RequestLine = QByteArrayLiteral("activate\n");
const QByteArray TokenRequestStart = QByteArrayLiteral("activate ");
const QByteArray AnswerLine = QByteArrayLiteral("done\n");

// Tokens are opaque to us; what could not travel on one line is none.
bool isActivationToken(const QByteArray &token)
{
    return !token.isEmpty()
        && token.size() <= MaximumLineLength - TokenRequestStart.size() - 1
        && std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 127; });
}

QByteArray requestLine(const QByteArray &token)
{
    return isActivationToken(token) ? TokenRequestStart + token + '\n' : RequestLine;
}

// The token a request line brings ("" for none), or nothing when it is no request.
std::optional<QByteArray> tokenOfRequest(const QByteArray &line)
{
    if (line == RequestLine)
        return QByteArray();
    if (!line.startsWith(TokenRequestStart) || !line.endsWith('\n'))
        return std::nullopt;
    const QByteArray token = line.mid(TokenRequestStart.size()).chopped(1);
    return isActivationToken(token) ? std::optional(token) : std::nullopt;
}

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

bool isSafeInName(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
        || c == u'_' || c == u'-';
}

// A folder that no one else can write in, so that nobody can plant a lock in it or bind its
// socket before us: a directory itself (a link could be turned elsewhere), ours, mode 0700.
// Opened once and checked as opened; -1 when it is not such a folder.
int openPrivateFolder(const QString &path)
{
    if (!QDir::isAbsolutePath(path))
        return -1;
    const int folder = ::open(
        QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status;
    if (folder >= 0
        && (::fstat(folder, &status) != 0 || !S_ISDIR(status.st_mode)
            || status.st_uid != ::geteuid() || (status.st_mode & 0777) != 0700)) {
        ::close(folder);
        return -1;
    }
    return folder;
}

bool isPrivateFolder(const QString &path)
{
    const int folder = openPrivateFolder(path);
    if (folder >= 0)
        ::close(folder);
    return folder >= 0;
}

bool isOwnFile(const struct stat &status)
{
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid();
}

// Our channel's name carries our user id, so a lock that is not a plain file of ours was
// never left by an instance of ours; only the administrator can have put it in our folder.
// It is removed rather than obeyed. False when it is still there.
bool removeForeignLock(int folder, const QByteArray &name)
{
    struct stat status;
    if (::fstatat(folder, name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 || isOwnFile(status))
        return true;
    return ::unlinkat(folder, name.constData(), 0) == 0 || errno == ENOENT;
}

QString homeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? QFile::decodeName(entry->pw_dir) : QString();
}

// bind() or connect() on a socket in the folder, through the folder's descriptor.
int atSocketPath(int folder, const QString &socketName,
    const std::function<int(const sockaddr *, socklen_t)> &call)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path
        = "/proc/self/fd/" + QByteArray::number(folder) + '/' + QFile::encodeName(socketName);
    if (folder < 0 || path.size() >= qsizetype(sizeof address.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return call(reinterpret_cast<const sockaddr *>(&address), sizeof address);
}

int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// What one read from a non-blocking socket added to a line; false when the peer is gone.
// A line stops at its end or at the longest a line may be.
bool readLine(int socket, QByteArray &line)
{
    char buffer[MaximumLineLength];
    const ssize_t count = ::recv(socket, buffer, size_t(MaximumLineLength - line.size()), 0);
    if (count < 0)
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    line.append(buffer, count);
    const qsizetype end = line.indexOf('\n');
    if (end >= 0)
        line.truncate(end + 1);
    return count > 0;
}

bool lineComplete(const QByteArray &line)
{
    return line.endsWith('\n') || line.size() >= MaximumLineLength;
}

} // namespace

// One later start talking to the instance: one request line, then the answer, then the end.
class SingleInstanceCaller : public QObject
{
public:
    SingleInstanceCaller(int socket, SingleInstance *instance)
        : QObject(instance)
        , m_socket(socket)
        , m_instance(instance)
        , m_notifier(socket, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &SingleInstanceCaller::read);
        QTimer::singleShot(CallerTimeoutMs, this, &SingleInstanceCaller::hangUp);
    }

    ~SingleInstanceCaller() override
    {
        m_notifier.setEnabled(false);
        ::close(m_socket);
    }

private:
    void read()
    {
        if (!readLine(m_socket, m_line)) {
            hangUp();
            return;
        }
        if (!lineComplete(m_line))
            return;
        // Once per connection: anything after the request is ignored.
        m_notifier.setEnabled(false);
        // Coming forward may run an event loop of its own, in which anything can go away.
        const QPointer<SingleInstanceCaller> guard(this);
        const std::optional<QByteArray> token = tokenOfRequest(m_line);
        if (token && m_instance && m_instance->isAnswering()) {
            emit m_instance->activationRequested(*token);
            if (!guard)
                return;
            ::send(m_socket, AnswerLine.constData(), size_t(AnswerLine.size()),
                MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        hangUp();
    }

    void hangUp()
    {
        m_notifier.setEnabled(false);
        deleteLater();
    }

    int m_socket;
    QPointer<SingleInstance> m_instance;
    QSocketNotifier m_notifier;
    QByteArray m_line;
};

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

void SingleInstance::stopAnswering()
{
    if (m_server < 0)
        return;
    delete m_serverNotifier;
    m_serverNotifier = nullptr;
    ::close(m_server);
    m_server = -1;
    // We still hold the lock, so the socket is ours to remove.
    ::unlinkat(m_folderDescriptor, QFile::encodeName(socketName()).constData(), 0);
}

void SingleInstance::release()
{
    // Stop listening (which removes the socket) before the lock goes, so that the next
    // primary never finds a socket it did not make. The lock file stays: removing it could
    // let two starts lock two different files.
    stopAnswering();
    if (m_lock >= 0)
        ::close(m_lock);
    m_lock = -1;
    if (m_folderDescriptor >= 0)
        ::close(m_folderDescriptor);
    m_folderDescriptor = -1;
    m_primary = false;
}

QString SingleInstance::lockFilePath() const
{
    return QDir(m_folder).filePath(lockName());
}

QString SingleInstance::socketPath() const
{
    return QDir(m_folder).filePath(socketName());
}

QString SingleInstance::lockName() const
{
    return m_channelName + QLatin1String(".lock");
}

QString SingleInstance::socketName() const
{
    return m_channelName + QLatin1String(".socket");
}

QString SingleInstance::channelNameFor(uint userId, const QString &desktop)
{
    QString safe = desktop;
    for (QChar &c : safe) {
        if (!isSafeInName(c))
            c = u'_';
    }
    // Socket names are best short; a long name is replaced by its hash.
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
    // Else a folder of our own in our cache, inside our home, where nobody else can make it
    // first. The base directory rules ignore a relative cache folder. mkdir gives a folder its
    // mode as it is made; one found there already must pass the same test.
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache)) {
        const QString home = homeFolder();
        if (home.isEmpty())
            return {};
        cache = QDir(home).filePath(QStringLiteral(".cache"));
    }
    ::mkdir(QFile::encodeName(cache).constData(), 0700);
    const QString own = QDir(cache).filePath(QStringLiteral("tilora"));
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

bool SingleInstance::claim()
{
    if (m_primary)
        return true;
    // A lock or socket where others can write may be anyone's. Rather than obey it, this
    // start goes on alone, without hand-off.
    if (m_folderDescriptor < 0)
        m_folderDescriptor = openPrivateFolder(m_folder);
    const QByteArray lockFile = QFile::encodeName(lockName());
    if (m_folderDescriptor < 0 || !removeForeignLock(m_folderDescriptor, lockFile)) {
        m_primary = true;
        return true;
    }
    int lock = ::openat(
        m_folderDescriptor, lockFile.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat status;
    if (lock >= 0 && (::fstat(lock, &status) != 0 || !isOwnFile(status))) {
        ::close(lock);
        lock = -1;
    }
    auto closeLock = qScopeGuard([&lock] {
        if (lock >= 0)
            ::close(lock);
    });

    const QDeadlineTimer deadline(ClaimTimeoutMs);
    for (;;) {
        bool lockUsable = lock >= 0;
        if (lockUsable) {
            if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
                closeLock.dismiss();
                return becomePrimary(lock);
            }
            lockUsable = errno == EWOULDBLOCK || errno == EINTR;
        }
        switch (askPrimaryToComeForward()) {
        case HandOff::Answered:
        case HandOff::NoAnswer:
            return false;
        case HandOff::NotReachable:
        case HandOff::Lost:
            break;
        }
        // Without a usable lock nothing can keep starts apart; a window of our own is better
        // than none.
        if (!lockUsable) {
            m_primary = true;
            return true;
        }
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(RetryIntervalMs));
    }
}

bool SingleInstance::becomePrimary(int lock)
{
    m_lock = lock;
    m_primary = true;
    // We hold the lock, so a socket still there was left by an instance that died.
    ::unlinkat(m_folderDescriptor, QFile::encodeName(socketName()).constData(), 0);
    const int server = newSocket();
    const auto bindTo = [server](const sockaddr *address, socklen_t length) {
        return ::bind(server, address, length);
    };
    // When listening fails we are still the one instance; later starts then end quietly
    // after their bounded wait instead of opening a second window.
    if (server < 0 || atSocketPath(m_folderDescriptor, socketName(), bindTo) != 0
        || ::listen(server, 16) != 0) {
        if (server >= 0)
            ::close(server);
        return true;
    }
    m_server = server;
    m_serverNotifier = new QSocketNotifier(server, QSocketNotifier::Read, this);
    connect(m_serverNotifier, &QSocketNotifier::activated, this,
        &SingleInstance::acceptConnections);
    return true;
}

SingleInstance::HandOff SingleInstance::askPrimaryToComeForward()
{
    const int socket = newSocket();
    if (socket < 0)
        return HandOff::NotReachable;
    const auto closeSocket = qScopeGuard([socket] { ::close(socket); });
    const auto connectTo = [socket](const sockaddr *address, socklen_t length) {
        return ::connect(socket, address, length);
    };
    if (atSocketPath(m_folderDescriptor, socketName(), connectTo) != 0)
        return HandOff::NotReachable;
    const QByteArray request = requestLine(qgetenv("XDG_ACTIVATION_TOKEN"));
    if (::send(socket, request.constData(), size_t(request.size()), MSG_NOSIGNAL)
        != request.size())
        return HandOff::Lost;

    // Waiting in an event loop rather than blocking lets an instance in this very thread
    // answer as well.
    std::optional<HandOff> result;
    QByteArray answer;
    QEventLoop loop;
    QSocketNotifier notifier(socket, QSocketNotifier::Read);
    connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        if (!readLine(socket, answer))
            result = HandOff::Lost;
        else if (lineComplete(answer))
            result = answer == AnswerLine ? HandOff::Answered : HandOff::NoAnswer;
        if (result)
            loop.quit();
    });
    QTimer::singleShot(AnswerTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    notifier.setEnabled(false);
    return result.value_or(HandOff::NoAnswer);
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        const int caller = ::accept4(m_server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (caller >= 0) {
            new SingleInstanceCaller(caller, this);
            continue;
        }
        // Out of descriptors or memory the caller stays queued, and the socket would wake us
        // without end: look again a little later.
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            m_serverNotifier->setEnabled(false);
            QTimer::singleShot(RetryIntervalMs * 10, m_serverNotifier,
                [notifier = m_serverNotifier] { notifier->setEnabled(true); });
        }
        return;
    }
}

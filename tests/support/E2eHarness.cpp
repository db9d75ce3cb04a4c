#include "support/E2eHarness.h"

#include "logic/MetafileModule.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace e2e {

namespace {

// Every process a test starts carries this, with the display's name, in its environment, and
// so do the processes those start: what an aborted test left running is found by it and ended.
const QString OwnerVariable = QStringLiteral("TILORA_E2E_OWNER");

// The end of the wait under way (waitUntil), which no tool it calls may run past.
QDeadlineTimer waitDeadline(QDeadlineTimer::Forever);

// Started processes lead a process group of their own, so that ending one ends what it
// started, and die with the test program, even one killed outright.
void startAsOurs(QProcess &process, const QString &program, const QStringList &arguments)
{
    process.setChildProcessModifier([] {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    process.start(program, arguments);
}

void endGroup(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(process.processId()), SIGKILL);
    process.waitForFinished(2000);
}

QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display());
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // Started from a Wayland desktop, the program would otherwise take the Wayland session's
    // ways; the tests look at the X server of their own.
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("XDG_SESSION_TYPE"));
    markAsTests(environment);
    return environment;
}

// Runs a tool against the test display; false when it does not end in time: its own bound,
// or what is left of the wait it serves (at least a second).
bool execute(QProcess &process, const QString &program, const QStringList &arguments, int timeoutMs)
{
    process.setProcessEnvironment(toolEnvironment());
    startAsOurs(process, program, arguments);
    qint64 bound = timeoutMs;
    if (!waitDeadline.isForever())
        bound = std::min(bound, std::max<qint64>(waitDeadline.remainingTime(), 1000));
    if (process.waitForFinished(int(bound)))
        return true;
    endGroup(process);
    return false;
}

// The ids of the visible windows that meet every condition; none when none does (without
// "--all" xdotool takes a window that meets any one of them).
QStringList search(const QStringList &conditions)
{
    QProcess process;
    execute(process, QStringLiteral("xdotool"),
        QStringList {
            QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--all")}
            + conditions,
        10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ensureRootColour()
{
    static bool done = false;
    if (done || !available())
        return;
    done = true;
    run(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), rootColor().name()});
}

} // namespace

void markAsTests(QProcessEnvironment &environment)
{
    environment.insert(OwnerVariable, display());
}

QString display()
{
    return qEnvironmentVariable("TILORA_E2E_DISPLAY");
}

bool available()
{
    return !display().isEmpty();
}

QString run(const QString &program, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    if (!execute(process, program, arguments, timeoutMs)) {
        QTest::qFail(qPrintable(QStringLiteral("%1 did not end").arg(program)), __FILE__, __LINE__);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QTest::qFail(qPrintable(QStringLiteral("%1 %2 failed: %3")
                                    .arg(program, arguments.join(QLatin1Char(' ')),
                                        QString::fromLocal8Bit(process.readAllStandardError()))),
            __FILE__, __LINE__);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QImage screenshot()
{
    ensureRootColour();
    QProcess process;
    if (!execute(process, QStringLiteral("import"),
            {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")}, 15000))
        return {};
    QImage image;
    image.loadFromData(process.readAllStandardOutput(), "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}

QColor pixelAt(const QImage &screen, QPoint point)
{
    if (!screen.rect().contains(point))
        return {};
    return QColor(screen.pixel(point));
}

QColor pixelAt(QPoint point)
{
    return pixelAt(screenshot(), point);
}

QRect windowGeometry(const QString &windowId)
{
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId});
    auto value = [&info](const QString &label) {
        const QRegularExpression pattern(
            QRegularExpression::escape(label) + QStringLiteral(":\\s*(-?\\d+)"));
        const QRegularExpressionMatch match = pattern.match(info);
        return match.hasMatch() ? match.captured(1).toInt() : 0;
    };
    return QRect(value(QStringLiteral("Absolute upper-left X")),
        value(QStringLiteral("Absolute upper-left Y")), value(QStringLiteral("Width")),
        value(QStringLiteral("Height")));
}

QRegion windowShape(const QString &windowId)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return {};
    xcb_connection_t *connection = x11->connection();
    const auto window = xcb_window_t(windowId.toULong());
    xcb_shape_get_rectangles_reply_t *reply = xcb_shape_get_rectangles_reply(
        connection, xcb_shape_get_rectangles(connection, window, XCB_SHAPE_SK_BOUNDING), nullptr);
    if (!reply)
        return {};
    QRegion shape;
    const xcb_rectangle_t *rectangles = xcb_shape_get_rectangles_rectangles(reply);
    const int count = xcb_shape_get_rectangles_rectangles_length(reply);
    for (int i = 0; i < count; ++i)
        shape += QRect(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
    free(reply);
    return shape;
}

QStringList visibleWindows(qint64 pid)
{
    return search({QStringLiteral("--pid"), QString::number(pid)});
}

QRect waitForNewWindow(qint64 pid, const QStringList &known, int timeoutMs)
{
    QString found;
    waitUntil(
        [&] {
            for (const QString &id : visibleWindows(pid)) {
                if (found.isEmpty() && !known.contains(id))
                    found = id;
            }
            return !found.isEmpty();
        },
        timeoutMs);
    return found.isEmpty() ? QRect() : windowGeometry(found);
}

QRect menuLineAt(const QImage &screen, const QRect &menu, QPoint point)
{
    const int x = menu.left() + 3;
    const QColor colour = pixelAt(screen, QPoint(x, point.y()));
    int top = point.y();
    while (top > menu.top() && pixelAt(screen, QPoint(x, top - 1)) == colour)
        --top;
    int bottom = point.y();
    while (bottom < menu.bottom() && pixelAt(screen, QPoint(x, bottom + 1)) == colour)
        ++bottom;
    return QRect(menu.left(), top, menu.width(), bottom - top + 1);
}

QString waitForWindow(const QString &title, int timeoutMs, qint64 pid)
{
    ensureRootColour();
    QStringList arguments;
    if (pid > 0)
        arguments << QStringLiteral("--pid") << QString::number(pid);
    arguments << QStringLiteral("--name")
              << QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    QStringList ids;
    waitUntil([&] { return !(ids = search(arguments)).isEmpty(); }, timeoutMs);
    return ids.isEmpty() ? QString() : ids.last();
}

void mouseMove(QPoint point)
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
}

void click(QPoint point, int button)
{
    mouseMove(point);
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QString::number(button)});
}

void mouseDown(QPoint point, int button)
{
    mouseMove(point);
    run(QStringLiteral("xdotool"), {QStringLiteral("mousedown"), QString::number(button)});
}

void mouseUp(QPoint point, int button)
{
    mouseMove(point);
    run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QString::number(button)});
}

void key(const QString &keyName)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keyName});
}

void type(const QString &text)
{
    // xdotool types a character the keyboard lacks by remapping a key for a moment, which a
    // busy program may read with the wrong map. Such a character goes on a spare key of its
    // own first (the program reads the new map before the key), and is pressed by name.
    constexpr int SpareKeycode = 248; // empty in the test server's keymap
    QString plain;
    const auto typePlain = [&plain] {
        if (!plain.isEmpty()) {
            run(QStringLiteral("xdotool"),
                {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), plain});
        }
        plain.clear();
    };
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            plain += c;
            continue;
        }
        typePlain();
        // Latin-1 keysyms are the characters' codes, the others Unicode's plus 0x1000000.
        const uint code = c.unicode() < 0x100 ? c.unicode() : 0x1000000u | c.unicode();
        const QString keysym = QStringLiteral("0x%1").arg(code, 0, 16);
        run(QStringLiteral("xmodmap"),
            {QStringLiteral("-e"),
                QStringLiteral("keycode %1 = %2").arg(SpareKeycode).arg(keysym)});
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), keysym});
    }
    typePlain();
}

void syncWithServer()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return;
    // A reply comes only after the server has carried out every earlier request.
    xcb_connection_t *connection = x11->connection();
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

QPoint pointerPosition()
{
    // "x:12 y:34 screen:0 window:567"
    const QStringList fields = run(QStringLiteral("xdotool"), {QStringLiteral("getmouselocation")})
                                   .split(QLatin1Char(' '));
    QPoint point;
    for (const QString &field : fields) {
        if (field.startsWith(QLatin1String("x:")))
            point.setX(field.mid(2).toInt());
        else if (field.startsWith(QLatin1String("y:")))
            point.setY(field.mid(2).toInt());
    }
    return point;
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    // A wait inside a wait keeps the nearer end.
    const QDeadlineTimer outer = waitDeadline;
    waitDeadline = std::min(outer, deadline);
    bool met = false;
    while (!(met = condition()) && !deadline.hasExpired())
        QTest::qWait(50);
    waitDeadline = outer;
    return met;
}

void endLeftovers()
{
    if (!available())
        return;
    const QByteArray mark = (OwnerVariable + u'=' + display()).toLocal8Bit();
    for (const QString &process : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile environment(QStringLiteral("/proc/%1/environ").arg(process));
        const pid_t pid = pid_t(process.toInt());
        if (pid > 0 && pid != getpid() && environment.open(QIODevice::ReadOnly)
            && environment.readAll().split('\0').contains(mark))
            ::kill(pid, SIGKILL);
    }
}

bool waitForPixel(QPoint point, const QColor &color, bool equal, int timeoutMs)
{
    return waitUntil([&] { return (pixelAt(point) == color) == equal; }, timeoutMs);
}

Program::Program()
{
    // As on a fresh server, the keyboard follows the pointer: a window that had the keys may
    // have left them on the bare screen when its program ended.
    // (The offscreen platform answers as X11 too, with no connection.)
    const auto *x11
        = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr) {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT,
            XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }
    const QString target = filePath(QStringLiteral("tilora"));
    QFile::copy(QStringLiteral(TILORA_BINARY), target);
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    // The module that draws metafiles goes with it, where the build places it.
    const QString module = QLatin1String(MetafileModuleFileName);
    QDir(folder()).mkpath(QFileInfo(module).path());
    QFile::copy(QFileInfo(QStringLiteral(TILORA_BINARY)).dir().filePath(module), filePath(module));
    // A desktop with a viewer for the help, which a first start opens: the tests look at the
    // game's own windows.
    QDir(folder()).mkdir(QStringLiteral("viewer"));
    writeFile(QStringLiteral("viewer/xdg-open"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(filePath(QStringLiteral("viewer/xdg-open")),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

Program::~Program()
{
    kill();
}

QString Program::folder() const
{
    return m_folder.path();
}

QString Program::filePath(const QString &name) const
{
    return m_folder.filePath(name);
}

void Program::writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(filePath(name));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents);
}

QByteArray Program::readFile(const QString &name) const
{
    QFile file(filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QProcess *Program::start(const QStringList &prefix)
{
    ensureRootColour();
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = toolEnvironment();
    if (m_scaleFactor != 1)
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(m_scaleFactor));
    environment.insert(QStringLiteral("PATH"),
        filePath(QStringLiteral("viewer")) + u':' + environment.value(QStringLiteral("PATH")));
    process->setProcessEnvironment(environment);
    // The program must not depend on where it is started from.
    process->setWorkingDirectory(QDir::tempPath());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    if (prefix.isEmpty())
        startAsOurs(*process, filePath(QStringLiteral("tilora")), {});
    else
        startAsOurs(*process, prefix.first(), prefix.mid(1) << filePath(QStringLiteral("tilora")));
    process->waitForStarted(10000);
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

qint64 Program::pid() const
{
    return process() ? process()->processId() : 0;
}

bool Program::waitForExit(int timeoutMs)
{
    QProcess *first = process();
    return !first || first->state() == QProcess::NotRunning || first->waitForFinished(timeoutMs);
}

void Program::kill()
{
    for (auto &process : m_processes)
        endGroup(*process);
}

QByteArray Program::errors() const
{
    QByteArray all;
    for (const auto &process : m_processes)
        all += process->readAllStandardError();
    return all;
}

} // namespace e2e

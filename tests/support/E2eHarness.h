#pragma once

// End-to-end helpers: the real program under the Xvfb server of the test command, driven
// with xdotool, looked at through screenshots of the whole screen.

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace e2e {

// The colour of the bare screen. No window of the program draws it.
inline QColor rootColor() { return QColor(0x10, 0xE0, 0xB0); }

// The X display of the test server ("" when the suite runs without one).
QString display();
bool available();

// Runs a tool against the test display and returns its standard output; fails the running
// test (QTest::qFail) and returns "" when it does not end well.
QString run(const QString &program, const QStringList &arguments, int timeoutMs = 20000);

// The whole screen as it is now.
QImage screenshot();
QColor pixelAt(const QImage &screen, QPoint point);
QColor pixelAt(QPoint point);

// Outer geometry of a top-level window on screen.
QRect windowGeometry(const QString &windowId);
// The window's shape as the X server holds it, in window coordinates (the whole window when
// it has no shape of its own). Needs the test program itself on the test display.
QRegion windowShape(const QString &windowId);

// Waits until a visible window with exactly this title shows; returns its id or "".
QString waitForWindow(const QString &title, int timeoutMs = 15000, qint64 pid = 0);
// Every visible window of a process.
QStringList visibleWindows(qint64 pid);
// Waits until a visible window of the process shows that is not among the known ones (a
// menu, a dialog); returns its geometry, or an empty rectangle.
QRect waitForNewWindow(qint64 pid, const QStringList &known, int timeoutMs = 5000);

void mouseMove(QPoint point);
void click(QPoint point, int button = 1);
void mouseDown(QPoint point, int button = 1);
void mouseUp(QPoint point, int button = 1);
void key(const QString &keyName);
// Types text, letters beyond ASCII included.
void type(const QString &text);
// Returns once the X server has carried out what the test program itself asked of it (its
// own windows shown, hidden or gone).
void syncWithServer();
// Where the pointer is on the screen.
QPoint pointerPosition();

// The line of a drawn menu on screen under a point: the run of the point's colour up and down
// a column near the menu's left edge, as wide as the menu.
QRect menuLineAt(const QImage &screen, const QRect &menu, QPoint point);

// Polls until the condition holds; false when it still does not when the time is up. The
// tools the condition runs are ended when the time is up, so that no wait outlasts its bound
// by more than a second.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000);

// Marks what a test starts by hand as the test's, for endLeftovers.
void markAsTests(QProcessEnvironment &environment);
// Ends every process that a test program on this display started and left running (its
// group, and what the processes in it started), ours excepted.
void endLeftovers();

// Waits until the colour at a point is (or is no longer) the given one.
bool waitForPixel(QPoint point, const QColor &color, bool equal = true, int timeoutMs = 5000);

// The built program, copied alone into a fresh folder so that its ini files land there.
class Program
{
public:
    Program();
    ~Program();

    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    QString folder() const;
    QString filePath(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &contents);
    QByteArray readFile(const QString &name) const;

    // Instances started from now on run at this scale factor (QT_SCALE_FACTOR): a screen
    // of that many device pixels to the logical pixel.
    void setScaleFactor(qreal factor) { m_scaleFactor = factor; }

    // Starts one more instance from the folder; returns it (owned by this object). A prefix
    // runs it through another command first (for example to start it as another user).
    QProcess *start(const QStringList &prefix = {});
    QProcess *process() const { return m_processes.empty() ? nullptr : m_processes.front().get(); }
    qint64 pid() const;

    // Waits for the first instance to end; false when it is still running.
    bool waitForExit(int timeoutMs = 15000);
    // Ends every instance still running, with the processes each has started.
    void kill();

    // What the program wrote to its standard error (sanitiser reports end up there).
    QByteArray errors() const;

private:
    QTemporaryDir m_folder;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    qreal m_scaleFactor = 1;
};

} // namespace e2e

// Waits like QTRY_VERIFY_WITH_TIMEOUT and QTRY_COMPARE_WITH_TIMEOUT, with the tools that the
// condition runs held to the wait's bound (waitUntil).
#define E2E_TRY_VERIFY(condition, timeoutMs)                                                   \
    QVERIFY(e2e::waitUntil([&] { return bool(condition); }, timeoutMs))
#define E2E_TRY_COMPARE(actual, expected, timeoutMs)                                           \
    do {                                                                                       \
        e2e::waitUntil([&] { return (actual) == (expected); }, timeoutMs);                     \
        QCOMPARE(actual, expected);                                                            \
    } while (false)

// main() for end-to-end tests: connects the test program itself to the test display (through
// xcb), so that tests may also show windows of their own there. Without a display the tests
// run offscreen and skip. What an earlier test program left running is ended first, and what
// this one leaves, last.
#define TILORA_E2E_MAIN(TestObject)                                                            \
    int main(int argc, char *argv[])                                                           \
    {                                                                                          \
        e2e::endLeftovers();                                                                   \
        if (e2e::available()) {                                                                \
            qputenv("DISPLAY", e2e::display().toLocal8Bit());                                  \
            qputenv("QT_QPA_PLATFORM", "xcb");                                                 \
        }                                                                                      \
        QApplication app(argc, argv);                                                          \
        TestObject test;                                                                       \
        QTEST_SET_MAIN_SOURCE_PATH                                                             \
        const int failed = QTest::qExec(&test, argc, argv);                                    \
        e2e::endLeftovers();                                                                   \
        return failed;                                                                         \
    }

#define E2E_REQUIRE_DISPLAY()                                                                  \
    do {                                                                                       \
        if (!e2e::available())                                                                 \
            QSKIP("no test display (run the suite through the test command)");                 \
    } while (false)

#include "support/E2eHarness.h"

#include <QDeadlineTimer>
#include <QTest>
#include <QWidget>

// One instance per desktop: later starts hand over and end, racing starts give one window,
// and a killed instance does not stand in the way of the next start.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOver();
    void simultaneousStartsShowOneWindow();
    void startAfterKilledInstance();
};

namespace {

const QString Title = QStringLiteral("Tilora");

int visibleWindowCount(const QList<QProcess *> &processes)
{
    int count = 0;
    for (QProcess *process : processes) {
        if (process->state() == QProcess::Running)
            count += e2e::visibleWindows(process->processId()).size();
    }
    return count;
}

// Covers the program's window with one of our own, starts the program once more and waits for
// that start to end and for the running instance's window to come to the front again.
void startAgainAndExpectFront(e2e::Program &program, const QString &windowId)
{
    const QRect geometry = e2e::windowGeometry(windowId);
    const QColor cover(Qt::magenta);
    QWidget covering;
    covering.setWindowFlag(Qt::FramelessWindowHint);
    covering.setAutoFillBackground(true);
    covering.setPalette(QPalette(cover));
    covering.setGeometry(geometry);
    covering.show();
    QVERIFY(e2e::waitForPixel(geometry.center(), cover));

    QProcess *again = program.start();
    QVERIFY2(again->waitForFinished(15000), "the later start did not end by itself");
    QCOMPARE(again->exitStatus(), QProcess::NormalExit);
    QCOMPARE(again->exitCode(), 0);
    QVERIFY2(e2e::waitForPixel(geometry.center(), cover, false),
        "the running instance did not come to the front");
}

} // namespace

void TestStartup::secondStartHandsOver()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    QProcess *first = program.start();
    const QString windowId = e2e::waitForWindow(Title, 15000, first->processId());
    QVERIFY(!windowId.isEmpty());

    startAgainAndExpectFront(program, windowId);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(e2e::visibleWindows(first->processId()).size(), 1);
}

void TestStartup::simultaneousStartsShowOneWindow()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    QProcess *one = program.start();
    QProcess *other = program.start();

    QDeadlineTimer deadline(20000);
    while (one->state() == QProcess::Running && other->state() == QProcess::Running
        && !deadline.hasExpired())
        QTest::qWait(50);
    QProcess *ended = one->state() == QProcess::Running ? other : one;
    QProcess *running = ended == one ? other : one;
    QVERIFY2(ended->state() == QProcess::NotRunning, "neither start ended");
    QCOMPARE(ended->exitStatus(), QProcess::NormalExit);
    QCOMPARE(ended->exitCode(), 0);
    QCOMPARE(running->state(), QProcess::Running);

    QVERIFY(!e2e::waitForWindow(Title, 15000, running->processId()).isEmpty());
    QCOMPARE(visibleWindowCount({one, other}), 1);
}

void TestStartup::startAfterKilledInstance()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    QProcess *killed = program.start();
    QVERIFY(!e2e::waitForWindow(Title, 15000, killed->processId()).isEmpty());
    killed->kill();
    QVERIFY(killed->waitForFinished(10000));

    QProcess *next = program.start();
    const QString windowId = e2e::waitForWindow(Title, 15000, next->processId());
    QVERIFY2(!windowId.isEmpty(), "no window after the killed instance");

    // The new instance owns the channel: a further start hands over to it.
    startAgainAndExpectFront(program, windowId);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(next->state(), QProcess::Running);
    QCOMPARE(e2e::visibleWindows(next->processId()).size(), 1);
}

TILORA_E2E_MAIN(TestStartup)

#include "tst_startup.moc"

#include "support/E2eHarness.h"

#include <QTest>
#include <QWidget>

// One instance per desktop: a later start hands over and ends, and the running instance
// comes to the front. Racing starts and a killed instance's leftovers are the instance
// channel's own tests.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void secondStartHandsOver();
};

void TestStartup::secondStartHandsOver()
{
    E2E_REQUIRE_DISPLAY();
    e2e::Program program;
    QProcess *first = program.start();
    const QString windowId
        = e2e::waitForWindow(QStringLiteral("Tilora"), 15000, first->processId());
    QVERIFY(!windowId.isEmpty());

    // A window of our own covers the program's, until the later start brings it forward.
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
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(e2e::visibleWindows(first->processId()).size(), 1);
}

TILORA_E2E_MAIN(TestStartup)

#include "tst_startup.moc"

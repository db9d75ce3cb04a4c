#include "support/E2eHarness.h"

#include <QFileInfo>
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
    void answersTheCommandLine_data();
    void answersTheCommandLine();
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

void TestStartup::answersTheCommandLine_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("answer");
    QTest::newRow("--help") << "--help" << "Aufruf: tilora [--help | --version]\n";
    QTest::newRow("-h") << "-h" << "  -h, --help ";
    QTest::newRow("--version") << "--version" << "Tilora " TILORA_VERSION "\n";
}

// Answered on standard output, with no display to start on, and nothing else is started.
void TestStartup::answersTheCommandLine()
{
    QFETCH(QString, argument);
    QFETCH(QString, answer);
    e2e::Program program;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(variable));
    process.setProcessEnvironment(environment);
    process.start(program.filePath(QStringLiteral("tilora")), {argument});
    QVERIFY(process.waitForFinished(15000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(QString::fromLocal8Bit(process.readAllStandardOutput()).contains(answer),
        process.readAllStandardError().constData());
    QVERIFY(!QFileInfo::exists(program.filePath(QStringLiteral("tilora.ini"))));
}

TILORA_E2E_MAIN(TestStartup)

#include "tst_startup.moc"

#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "region/FormRgn.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

// The small windows around the board: the message at the end of a game, the solution
// picture, the farewell window, the start window of a shuffle and the magnifier.
class TestSecondaryWindows : public QObject
{
    Q_OBJECT

private slots:
    void messageClosesOnClick_data();
    void messageClosesOnClick();
    void messageModalRunKeepsOtherTimers();
    void previewCloseButtonHidesAndNotifies_data();
    void previewCloseButtonHidesAndNotifies();
    void previewResizeRoundsCorners_data();
    void previewResizeRoundsCorners();
    void previewAsTheBoardBuildLeavesIt();
    void aboutCountdown_data();
    void aboutCountdown();
    void aboutRefusesEarlyClose_data();
    void aboutRefusesEarlyClose();
    void aboutEarlyClickClosesAtOneSecond_data();
    void aboutEarlyClickClosesAtOneSecond();
    void aboutLateClickClosesAtOnce();
    void aboutModalRunCentresAndF1OpensHelp();
    void startWindowCounts();
    void startWindowClickDismisses_data();
    void startWindowClickDismisses();
    void magnifierStretchesPicture();
};

namespace {

// Runs showModal of window, doing action once the modal loop runs. A watchdog hides the
// window should the action fail to end the loop, so a fault fails instead of hanging.
template <typename Window, typename ShowModal>
bool endsModalRun(Window &window, ShowModal showModal, std::function<void()> action)
{
    bool watchdogFired = false;
    QTimer::singleShot(0, &window, action);
    QTimer::singleShot(5000, &window, [&] {
        watchdogFired = true;
        window.hide();
    });
    showModal();
    return !watchdogFired && !window.isVisible();
}

void tick(TAboutBox &box, int count)
{
    for (int i = 0; i < count; ++i)
        box.Timer1Timer();
}

} // namespace

void TestSecondaryWindows::messageClosesOnClick_data()
{
    QTest::addColumn<QString>("part");
    QTest::newRow("bare window") << QString();
    QTest::newRow("headline") << QStringLiteral("Label4");
    QTest::newRow("fixed line") << QStringLiteral("Label1");
    QTest::newRow("time line") << QStringLiteral("Label3");
    QTest::newRow("close button") << QStringLiteral("SpezialButton4");
}

void TestSecondaryWindows::messageClosesOnClick()
{
    QFETCH(QString, part);
    TMeldung message;
    message.setHeadline(QStringLiteral("Schummler!!!"));
    message.setTimeLine(QStringLiteral("00:03:17 Sekunden."));
    // Without a part, the strip right of the panel.
    QWidget *target = part.isEmpty() ? &message : message.findChild<QWidget *>(part);
    QVERIFY(target);
    const QPoint at = part.isEmpty() ? QPoint(265, 25) : target->rect().center();

    QVERIFY(endsModalRun(
        message, [&] { message.showModal(); },
        [&] { QTest::mouseClick(target, Qt::LeftButton, {}, at); }));
    QCOMPARE(message.Label4->text(), QStringLiteral("Schummler!!!"));
    QCOMPARE(message.Label1->text(), QStringLiteral("Du hast es geschafft! Deine Zeit beträgt "));
    QVERIFY(!message.isRunningModal());
}

void TestSecondaryWindows::messageModalRunKeepsOtherTimers()
{
    TMeldung message;
    QTimer other;
    int ticks = 0;
    connect(&other, &QTimer::timeout, &message, [&] {
        if (++ticks == 3)
            message.SpezialButton4Click();
    });
    other.start(1);
    const QRect mainWindow(100, 100, 400, 300);
    QVERIFY(endsModalRun(
        message, [&] { message.showModal(mainWindow); }, [] {}));
    QCOMPARE(ticks, 3);
    QCOMPARE(message.pos(), QPoint(100 + 200 - 266 / 2, 100 + 150 - 50 / 2));
}

void TestSecondaryWindows::previewCloseButtonHidesAndNotifies_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("close button") << true;
    QTest::newRow("window system") << false;
}

void TestSecondaryWindows::previewCloseButtonHidesAndNotifies()
{
    QFETCH(bool, byButton);
    TVorschauFenster preview;
    QSignalSpy closed(&preview, &TVorschauFenster::closed);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    if (byButton)
        QTest::mouseClick(preview.SpezialButton4, Qt::LeftButton);
    else
        preview.close();
    QVERIFY(!preview.isVisible());
    QCOMPARE(closed.count(), 1);

    // Hiding it from outside, or closing it while hidden, is no request of the player's.
    preview.show();
    preview.hide();
    preview.close();
    QCOMPARE(closed.count(), 1);
}

void TestSecondaryWindows::previewResizeRoundsCorners_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("outline");
    QTest::newRow("5x5 of 50") << QSize(274, 274) << QStringLiteral("U0,0,274,274,8,8");
    QTest::newRow("4x4 of 35") << QSize(164, 164) << QStringLiteral("U0,0,164,164,8,8");
    QTest::newRow("not square") << QSize(400, 250) << QStringLiteral("U0,0,400,250,8,8");
}

void TestSecondaryWindows::previewResizeRoundsCorners()
{
    QFETCH(QSize, size);
    QFETCH(QString, outline);
    TVorschauFenster preview;
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    preview.FormRegion1->setRegion(QStringLiteral("U0,0,326,324,34,34"));
    preview.resize(size);
    QCOMPARE(preview.FormRegion1->Region(), outline);
    const QRegion mask = preview.mask();
    QVERIFY(!mask.contains(QPoint(0, 0)));
    QVERIFY(!mask.contains(QPoint(size.width() - 1, size.height() - 1)));
    QVERIFY(mask.contains(QPoint(size.width() / 2, 1)));
    QVERIFY(mask.contains(QPoint(1, size.height() / 2)));
    // The close button keeps its distance to the right edge.
    QCOMPARE(preview.SpezialButton4->geometry(), QRect(size.width() - 24, 12, 12, 12));
}

void TestSecondaryWindows::previewAsTheBoardBuildLeavesIt()
{
    // The board build sizes the hidden window, puts a new picture on it, gives it its own
    // outline and then shows it.
    TVorschauFenster preview;
    preview.resize(274, 274);
    auto *picture = new QWidget(&preview);
    picture->setGeometry(12, 12, 250, 250);
    preview.FormRegion1->setRegion(QStringLiteral("U0,0,276,274,34,34"));
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QCOMPARE(preview.FormRegion1->Region(), QStringLiteral("U0,0,276,274,34,34"));
    QCOMPARE(preview.childAt(255, 17), preview.SpezialButton4);
    QCOMPARE(preview.childAt(100, 100), picture);
    QVERIFY(preview.FormRegion1->ClientDrag());
    QCOMPARE(preview.cursor().shape(), Qt::CrossCursor);
}

void TestSecondaryWindows::aboutCountdown_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("visible");
    QTest::newRow("first tick") << 1 << QStringLiteral("2") << true;
    QTest::newRow("tick 9") << 9 << QStringLiteral("2") << true;
    QTest::newRow("tick 10") << 10 << QStringLiteral("1") << true;
    QTest::newRow("tick 19") << 19 << QStringLiteral("1") << true;
    QTest::newRow("tick 20") << 20 << QStringLiteral("0") << false;
}

void TestSecondaryWindows::aboutCountdown()
{
    QFETCH(int, ticks);
    QFETCH(QString, shown);
    QFETCH(bool, visible);
    TAboutBox box;
    box.show();
    QVERIFY(box.Timer1->isActive());
    QCOMPARE(box.Timer1->interval(), 100);
    box.Timer1->stop(); // the test drives the ticks
    tick(box, ticks);
    QCOMPARE(box.Zeit->text(), shown);
    QCOMPARE(box.isVisible(), visible);
}

void TestSecondaryWindows::aboutRefusesEarlyClose_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<bool>("clicked");
    QTest::newRow("just shown") << 0 << false;
    QTest::newRow("first second, clicked") << 5 << true;
    QTest::newRow("second second, not clicked") << 15 << false;
    QTest::newRow("last tick before the end") << 19 << false;
}

void TestSecondaryWindows::aboutRefusesEarlyClose()
{
    QFETCH(int, ticks);
    QFETCH(bool, clicked);
    TAboutBox box;
    box.show();
    box.Timer1->stop();
    tick(box, ticks);
    if (clicked)
        QTest::mouseClick(box.Panel1, Qt::LeftButton);
    QVERIFY(!box.close());
    QCloseEvent request;
    QApplication::sendEvent(&box, &request);
    QVERIFY(!request.isAccepted());
    QVERIFY(box.isVisible());
}

void TestSecondaryWindows::aboutEarlyClickClosesAtOneSecond_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("panel") << QStringLiteral("Panel1") << false;
    QTest::newRow("name") << QStringLiteral("Label1") << false;
    QTest::newRow("version") << QStringLiteral("Label2") << false;
    QTest::newRow("icon") << QStringLiteral("Image1") << false;
    QTest::newRow("countdown, double click") << QStringLiteral("Zeit") << true;
}

void TestSecondaryWindows::aboutEarlyClickClosesAtOneSecond()
{
    QFETCH(QString, part);
    QFETCH(bool, doubleClick);
    TAboutBox box;
    box.show();
    box.Timer1->stop();
    tick(box, 3);
    QWidget *target = box.findChild<QWidget *>(part);
    QVERIFY(target);
    if (doubleClick) {
        // The second press of a double click comes as a double-click event.
        QTest::mouseDClick(target, Qt::LeftButton);
        QTest::mouseRelease(target, Qt::LeftButton);
    } else
        QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(box.wasClicked());
    QCOMPARE(box.Zeit->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    tick(box, 6);
    QVERIFY(box.isVisible());
    tick(box, 1);
    QVERIFY(!box.isVisible());
    QVERIFY(!box.Timer1->isActive());
}

void TestSecondaryWindows::aboutLateClickClosesAtOnce()
{
    TAboutBox box;
    box.show();
    box.Timer1->stop();
    tick(box, 12);
    QVERIFY(box.isVisible());
    QTest::mouseClick(box.Label2, Qt::LeftButton);
    QVERIFY(!box.isVisible());

    // A new showing counts down afresh.
    box.show();
    QCOMPARE(box.ticks(), 0);
    QVERIFY(!box.wasClicked());
    QCOMPARE(box.Zeit->text(), QStringLiteral("2"));
    QCOMPARE(box.Zeit->palette().color(QPalette::WindowText), QColor(Qt::white));
}

void TestSecondaryWindows::aboutModalRunCentresAndF1OpensHelp()
{
    TAboutBox box;
    int helpOpened = 0;
    box.openHelp = [&] { ++helpOpened; };
    const QRect mainWindow(300, 200, 286, 286);
    QVERIFY(endsModalRun(
        box, [&] { box.showModal(mainWindow); },
        [&] {
            box.Timer1->stop();
            QTest::keyClick(&box, Qt::Key_F1);
            tick(box, 20);
        }));
    QCOMPARE(helpOpened, 1);
    QCOMPARE(box.pos(), QPoint(300 + 143 - 227 / 2, 200 + 143 - 132 / 2));
}

void TestSecondaryWindows::startWindowCounts()
{
    TForm3 start;
    QCOMPARE(start.size(), QSize(73, 33));
    QVERIFY(start.windowFlags() & Qt::WindowStaysOnTopHint);
    start.show();
    QCOMPARE(start.Label1->text(), QStringLiteral("0"));
    QVERIFY(start.Mischtimer->isActive());
    QCOMPARE(start.Mischtimer->interval(), 1000);
    for (int i = 0; i < 3; ++i)
        start.MischtimerTimer();
    QCOMPARE(start.Label1->text(), QStringLiteral("3"));

    // Hiding stops the count; the next showing starts from 0.
    start.hide();
    QVERIFY(!start.Mischtimer->isActive());
    start.show();
    QCOMPARE(start.Label1->text(), QStringLiteral("0"));
    start.MischtimerTimer();
    QCOMPARE(start.Label1->text(), QStringLiteral("1"));
}

void TestSecondaryWindows::startWindowClickDismisses_data()
{
    QTest::addColumn<QString>("part");
    QTest::newRow("panel") << QStringLiteral("Panel1");
    QTest::newRow("counter") << QStringLiteral("Label1");
    QTest::newRow("Spielen!") << QStringLiteral("Label2");
}

void TestSecondaryWindows::startWindowClickDismisses()
{
    QFETCH(QString, part);
    TForm3 start;
    QSignalSpy dismissed(&start, &TForm3::dismissed);
    start.show();
    QWidget *target = start.findChild<QWidget *>(part);
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(!start.isVisible());
    QVERIFY(!start.Mischtimer->isActive());
    QCOMPARE(dismissed.count(), 1);
}

void TestSecondaryWindows::magnifierStretchesPicture()
{
    TForm2 magnifier;
    QCOMPARE(magnifier.size(), QSize(204, 204));
    QCOMPARE(magnifier.clientRect(), QRect(2, 2, 200, 200));
    QImage square(2, 2, QImage::Format_RGB32);
    square.setPixel(0, 0, qRgb(255, 0, 0));
    square.setPixel(1, 0, qRgb(0, 255, 0));
    square.setPixel(0, 1, qRgb(0, 0, 255));
    square.setPixel(1, 1, qRgb(255, 255, 0));
    magnifier.setPicture(square);
    const QImage shown = magnifier.grab().toImage();
    QCOMPARE(shown.pixelColor(0, 0), QColor(73, 73, 73));
    QCOMPARE(shown.pixelColor(203, 203), QColor(73, 73, 73));
    QCOMPARE(shown.pixelColor(2, 2), QColor(255, 0, 0));
    QCOMPARE(shown.pixelColor(201, 2), QColor(0, 255, 0));
    QCOMPARE(shown.pixelColor(2, 201), QColor(0, 0, 255));
    QCOMPARE(shown.pixelColor(201, 201), QColor(255, 255, 0));
}

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"

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
    void previewCloseButtonHidesAndNotifies();
    void aboutCountdown_data();
    void aboutCountdown();
    void aboutRefusesEarlyClose_data();
    void aboutRefusesEarlyClose();
    void aboutEarlyClickClosesAtOneSecond_data();
    void aboutEarlyClickClosesAtOneSecond();
    void aboutLateClickClosesAtOnce();
    void startWindowCountsUntilClicked();
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

void TestSecondaryWindows::previewCloseButtonHidesAndNotifies()
{
    TVorschauFenster preview;
    QSignalSpy closed(&preview, &TVorschauFenster::closed);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    QTest::mouseClick(preview.SpezialButton4, Qt::LeftButton);
    QVERIFY(!preview.isVisible());
    QCOMPARE(closed.count(), 1);
    // Hiding it from outside, or closing it while hidden, is no request of the player's.
    preview.show();
    preview.hide();
    preview.close();
    QCOMPARE(closed.count(), 1);
}

void TestSecondaryWindows::aboutCountdown_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("visible");
    QTest::newRow("tick 9") << 9 << QStringLiteral("2") << true;
    QTest::newRow("tick 10") << 10 << QStringLiteral("1") << true;
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
    QTest::newRow("first second, clicked") << 5 << true;
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

void TestSecondaryWindows::startWindowCountsUntilClicked()
{
    TForm3 start;
    QSignalSpy dismissed(&start, &TForm3::dismissed);
    start.show();
    QCOMPARE(start.Label1->text(), QStringLiteral("0"));
    QCOMPARE(start.Mischtimer->interval(), 1000);
    for (int i = 0; i < 3; ++i)
        start.MischtimerTimer();
    QCOMPARE(start.Label1->text(), QStringLiteral("3"));
    // A click anywhere dismisses it and stops the count; the next showing starts from 0.
    QTest::mouseClick(start.Label2, Qt::LeftButton);
    QVERIFY(!start.isVisible() && !start.Mischtimer->isActive());
    QCOMPARE(dismissed.count(), 1);
    start.show();
    QVERIFY(start.Mischtimer->isActive());
    QCOMPARE(start.Label1->text(), QStringLiteral("0"));
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
    QCOMPARE(shown.pixelColor(201, 201), QColor(255, 255, 0));
}

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"

#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "windows/Unit2.h"
#include "desktop/WindowPlacement.h"
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
    void messageCloses_data();
    void messageCloses();
    void previewClosesAndNotifies_data();
    void previewClosesAndNotifies();
    void farewellCountdown_data();
    void farewellCountdown();
    void startWindowCountsUntilClicked();
    void magnifierStretchesPicture();
    void plainArialKeepsItsStyle_data();
    void plainArialKeepsItsStyle();
    void solutionBesideTheBoard_data();
    void solutionBesideTheBoard();
};

// A 200 x 200 solution window beside a 300 x 300 main window, 8 pixels apart, on a screen of
// 1000 x 800.
void TestSecondaryWindows::solutionBesideTheBoard_data()
{
    QTest::addColumn<QPoint>("main");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QPoint>("expected");
    const QRect screen(0, 0, 1000, 800);
    QTest::newRow("right") << QPoint(100, 100) << screen << QPoint(408, 150);
    QTest::newRow("right, up to the edge") << QPoint(492, 100) << screen << QPoint(800, 150);
    QTest::newRow("left, no room on the right") << QPoint(493, 100) << screen << QPoint(285, 150);
    QTest::newRow("right, slid down onto the screen") << QPoint(100, -200) << screen
                                                       << QPoint(408, 0);
    QTest::newRow("below, a narrow screen") << QPoint(0, 0) << QRect(0, 0, 400, 800)
                                            << QPoint(50, 308);
    QTest::newRow("above") << QPoint(0, 500) << QRect(0, 0, 400, 800) << QPoint(50, 292);
    QTest::newRow("no room: over it, on the screen") << QPoint(0, 0) << QRect(0, 0, 400, 400)
                                                      << QPoint(50, 50);
}

void TestSecondaryWindows::solutionBesideTheBoard()
{
    QFETCH(QPoint, main);
    QFETCH(QRect, area);
    QFETCH(QPoint, expected);
    QCOMPARE(Beside(QSize(200, 200), QRect(main, QSize(300, 300)), area, 8), expected);
}

void TestSecondaryWindows::messageCloses_data()
{
    QTest::addColumn<QString>("part"); // clicked
    QTest::addColumn<int>("key"); // pressed instead of a click when not 0
    QTest::newRow("bare window") << QString() << 0;
    QTest::newRow("time line") << QStringLiteral("Label3") << 0;
    QTest::newRow("close button") << QStringLiteral("SpezialButton4") << 0;
    QTest::newRow("Esc") << QString() << int(Qt::Key_Escape);
    QTest::newRow("Enter") << QString() << int(Qt::Key_Return);
    QTest::newRow("Space") << QString() << int(Qt::Key_Space);
}

void TestSecondaryWindows::messageCloses()
{
    QFETCH(QString, part);
    QFETCH(int, key);
    TMeldung message;
    message.setHeadline(QStringLiteral("Schummler!!!"));
    message.setTimeLine(QStringLiteral("00:03:17 Sekunden."));
    // Without a part, the strip right of the panel.
    QWidget *target = part.isEmpty() ? &message : message.findChild<QWidget *>(part);
    QVERIFY(target);
    const QPoint at = part.isEmpty() ? QPoint(265, 25) : target->rect().center();
    bool stuck = false;
    QTimer::singleShot(0, &message, [&] {
        if (key)
            QTest::keyClick(target, Qt::Key(key));
        else
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
    });
    // Should the click not end the modal run, this does, and the test fails instead of hanging.
    QTimer::singleShot(5000, &message, [&] {
        stuck = true;
        message.hide();
    });
    message.showModal();
    QVERIFY(!stuck && !message.isVisible() && !message.isRunningModal());
    QCOMPARE(message.Label4->text(), QStringLiteral("Schummler!!!"));
    QCOMPARE(message.Label1->text(), QStringLiteral("Du hast es geschafft! Deine Zeit beträgt "));
}

void TestSecondaryWindows::previewClosesAndNotifies_data()
{
    QTest::addColumn<bool>("escape"); // Esc rather than a click on "×"
    QTest::newRow("close button") << false;
    QTest::newRow("Esc") << true;
}

void TestSecondaryWindows::previewClosesAndNotifies()
{
    QFETCH(bool, escape);
    TVorschauFenster preview;
    QSignalSpy closed(&preview, &TVorschauFenster::closed);
    preview.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preview));
    if (escape)
        QTest::keyClick(&preview, Qt::Key_Escape);
    else
        QTest::mouseClick(preview.SpezialButton4, Qt::LeftButton);
    QVERIFY(!preview.isVisible());
    QCOMPARE(closed.count(), 1);
    // Hiding it from outside, or closing it while hidden, is no request of the player's.
    preview.show();
    preview.hide();
    preview.close();
    QCOMPARE(closed.count(), 1);
}

void TestSecondaryWindows::farewellCountdown_data()
{
    QTest::addColumn<int>("clickedAt"); // tick of the click
    QTest::addColumn<QString>("part"); // clicked, none if empty
    QTest::addColumn<bool>("doubleClick");
    QTest::addColumn<int>("closesAt"); // tick
    QTest::newRow("no click") << 9 << QString() << false << 20;
    // An early click closes it after one second, a late one at once.
    QTest::newRow("early click") << 3 << "Panel1" << false << 10;
    QTest::newRow("early double click on the countdown") << 3 << "Zeit" << true << 10;
    QTest::newRow("late click on a text") << 12 << "Label2" << false << 12;
}

void TestSecondaryWindows::farewellCountdown()
{
    QFETCH(int, clickedAt);
    QFETCH(QString, part);
    QFETCH(bool, doubleClick);
    QFETCH(int, closesAt);
    TAboutBox box;
    // Ticks, and says whether the countdown shows the seconds left.
    const auto tick = [&box](int count) {
        for (int i = 0; i < count; ++i)
            box.Timer1Timer();
        return box.Zeit->text() == QString::number(2 - box.ticks() / 10);
    };
    box.show();
    QVERIFY(box.Timer1->isActive());
    QCOMPARE(box.Timer1->interval(), 100);
    box.Timer1->stop(); // the test drives the ticks
    QVERIFY(tick(clickedAt));
    if (!part.isEmpty()) {
        QWidget *target = box.findChild<QWidget *>(part);
        QVERIFY(target);
        // The second press of a double click comes as a double-click event.
        if (doubleClick) {
            QTest::mouseDClick(target, Qt::LeftButton);
            QTest::mouseRelease(target, Qt::LeftButton);
        } else {
            QTest::mouseClick(target, Qt::LeftButton);
        }
    }
    if (closesAt > clickedAt) {
        const QColor countdown = box.Zeit->palette().color(QPalette::WindowText);
        QCOMPARE(countdown, part.isEmpty() ? QColor(Qt::white) : QColor(255, 0, 0));
        QVERIFY(tick(closesAt - 1 - clickedAt));
        // Neither the player nor the window manager closes it before its time.
        QVERIFY(!box.close());
        QCloseEvent request;
        QApplication::sendEvent(&box, &request);
        QVERIFY(!request.isAccepted() && box.isVisible());
        QVERIFY(tick(1));
    }
    QVERIFY(!box.isVisible() && !box.Timer1->isActive());

    // A new showing counts down afresh.
    box.show();
    QVERIFY(box.ticks() == 0 && !box.wasClicked());
    QCOMPARE(box.Zeit->text(), QStringLiteral("2"));
    QCOMPARE(box.Zeit->palette().color(QPalette::WindowText), QColor(Qt::white));
}

void TestSecondaryWindows::startWindowCountsUntilClicked()
{
    TForm3 start;
    QSignalSpy dismissed(&start, &TForm3::dismissed);
    start.show();
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
    start.MischtimerTimer();
    QCOMPARE(start.Label1->text(), QStringLiteral("1"));
}

void TestSecondaryWindows::magnifierStretchesPicture()
{
    TForm2 magnifier;
    QImage square(2, 2, QImage::Format_RGB32);
    square.setPixel(0, 0, qRgb(255, 0, 0));
    square.setPixel(1, 0, qRgb(0, 255, 0));
    square.setPixel(0, 1, qRgb(0, 0, 255));
    square.setPixel(1, 1, qRgb(255, 255, 0));
    magnifier.setPicture(square);
    // A 2-pixel grey border around the picture stretched to 200 × 200.
    const QImage shown = magnifier.grab().toImage();
    QCOMPARE(shown.size(), QSize(204, 204));
    QCOMPARE(shown.pixelColor(0, 0), QColor(73, 73, 73));
    QCOMPARE(shown.pixelColor(203, 203), QColor(73, 73, 73));
    QCOMPARE(shown.pixelColor(2, 2), QColor(255, 0, 0));
    QCOMPARE(shown.pixelColor(201, 201), QColor(255, 255, 0));
}

void TestSecondaryWindows::plainArialKeepsItsStyle_data()
{
    QTest::addColumn<bool>("button"); // a button's own font rather than ArialFont
    QTest::newRow("ArialFont") << false;
    QTest::newRow("button") << true;
}

// The main window shows the player's board font; its plain controls must not take its style.
void TestSecondaryWindows::plainArialKeepsItsStyle()
{
    QFETCH(bool, button);
    QWidget window;
    QWidget *control = button ? static_cast<QWidget *>(new TSpezialButton(&window))
                              : new QLabel(&window);
    if (!button)
        control->setFont(ArialFont(11));
    QFont board(QStringLiteral("Arial"), 20);
    board.setBold(true);
    board.setItalic(true);
    board.setUnderline(true);
    board.setStrikeOut(true);
    window.setFont(board);
    const QFont font = control->font();
    QVERIFY(!font.bold() && !font.italic() && !font.underline() && !font.strikeOut());
    QCOMPARE(font.pixelSize(), 11);
}

QTEST_MAIN(TestSecondaryWindows)
#include "tst_secondarywindows.moc"

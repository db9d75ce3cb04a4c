#include "desktop/TrayIcon.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

// The tray icon brings the window back on a double-click and on nothing else.
class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void onlyDoubleClickRestores_data();
    void onlyDoubleClickRestores();
    void removeFromItsOwnDoubleClick();
};

namespace {

// A window with an icon, so that the tray icon always has one to show.
class IconWindow : public QWidget
{
public:
    IconWindow()
    {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::red);
        setWindowIcon(QIcon(pixmap));
    }
};

} // namespace

void TestTrayIcon::onlyDoubleClickRestores_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<int>("restores");
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << 1;
    QTest::newRow("single click") << QSystemTrayIcon::Trigger << 0;
    QTest::newRow("right click") << QSystemTrayIcon::Context << 0;
}

void TestTrayIcon::onlyDoubleClickRestores()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(int, restores);
    IconWindow window;
    TrayIcon tray(&window);
    QSignalSpy spy(&tray, &TrayIcon::restoreRequested);
    tray.show();
    auto *icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);
    emit icon->activated(reason);
    QCOMPARE(spy.count(), restores);
    QVERIFY(tray.isShown());
}

void TestTrayIcon::removeFromItsOwnDoubleClick()
{
    IconWindow window;
    TrayIcon tray(&window);
    connect(&tray, &TrayIcon::restoreRequested, &tray, &TrayIcon::remove);
    QSignalSpy spy(&tray, &TrayIcon::restoreRequested);
    tray.show();
    QPointer<QSystemTrayIcon> icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(icon);

    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!tray.isShown());
    QVERIFY(!icon->isVisible());
    // A second double-click still queued for the old icon does nothing.
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(spy.count(), 1);
    QTRY_VERIFY(icon.isNull());
    tray.remove();

    // Hiding to the tray again gives a working icon.
    tray.show();
    auto *again = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(again);
    emit again->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(spy.count(), 2);
}

QTEST_MAIN(TestTrayIcon)

#include "tst_trayicon.moc"

#include "logic/PlatformChoice.h"

#include <QTest>

// The game starts as an X client in a Wayland session that has XWayland, unless the player
// named a platform.
class TestPlatformChoice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data();
    void choice();
    void cutWindows_data();
    void cutWindows();
};

void TestPlatformChoice::choice_data()
{
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("qpaPlatform");
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<QByteArray>("forced"); // empty: Qt chooses

    const QByteArrayList none;
    QTest::newRow("Wayland session with XWayland")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray()
        << none << QByteArray("xcb");
    QTest::newRow("session type alone") << QByteArray("wayland") << QByteArray()
                                        << QByteArray(":1") << QByteArray() << none
                                        << QByteArray("xcb");
    QTest::newRow("compositor socket alone") << QByteArray() << QByteArray("wayland-tilora")
                                             << QByteArray(":2") << QByteArray() << none
                                             << QByteArray("xcb");
    QTest::newRow("no XWayland") << QByteArray("wayland") << QByteArray("wayland-0")
                                 << QByteArray() << QByteArray() << none << QByteArray();
    QTest::newRow("X11 session") << QByteArray("x11") << QByteArray() << QByteArray(":0")
                                 << QByteArray() << none << QByteArray();
    QTest::newRow("player's variable") << QByteArray("wayland") << QByteArray("wayland-0")
                                       << QByteArray(":0") << QByteArray("wayland") << none
                                       << QByteArray();
    QTest::newRow("player's argument")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray()
        << QByteArrayList {"-platform", "wayland"} << QByteArray();
    QTest::newRow("player's argument, two dashes")
        << QByteArray("wayland") << QByteArray("wayland-0") << QByteArray(":0") << QByteArray()
        << QByteArrayList {"--platform", "offscreen"} << QByteArray();
    QTest::newRow("other arguments") << QByteArray("wayland") << QByteArray("wayland-0")
                                     << QByteArray(":0") << QByteArray()
                                     << QByteArrayList {"-platformtheme", "gtk3", "wayland"}
                                     << QByteArray("xcb");
}

void TestPlatformChoice::choice()
{
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, qpaPlatform);
    QFETCH(QByteArrayList, arguments);
    QFETCH(QByteArray, forced);
    const PlatformEnvironment environment {sessionType, waylandDisplay, display, qpaPlatform};
    QCOMPARE(PlatformToForce(environment, arguments).value_or(QByteArray()), forced);
}

void TestPlatformChoice::cutWindows_data()
{
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<bool>("cuts");

    QTest::newRow("X11 session") << QByteArray("xcb") << QByteArray("x11") << QByteArray()
                                 << true;
    QTest::newRow("Wayland") << QByteArray("wayland") << QByteArray("wayland")
                             << QByteArray("wayland-0") << false;
    QTest::newRow("Wayland, EGL plugin")
        << QByteArray("wayland-egl") << QByteArray() << QByteArray("wayland-0") << false;
    QTest::newRow("XWayland") << QByteArray("xcb") << QByteArray("wayland")
                              << QByteArray("wayland-0") << false;
    QTest::newRow("XWayland, nested compositor")
        << QByteArray("xcb") << QByteArray("x11") << QByteArray("wayland-1") << false;
    QTest::newRow("offscreen in a Wayland session")
        << QByteArray("offscreen") << QByteArray("wayland") << QByteArray("wayland-0") << true;
}

void TestPlatformChoice::cutWindows()
{
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(bool, cuts);
    const PlatformEnvironment environment {sessionType, waylandDisplay, QByteArray(":0"), {}};
    QCOMPARE(PlatformCutsWindows(platform, environment), cuts);
}

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platformchoice.moc"

#include "support/E2eHarness.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

#include <unistd.h>

// The game as a Wayland client, in sway nested in the test display: the screen shows through
// the free slot alone, after a shuffle, a pause and a slide.
class TestWayland : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheFreeSlotShowsThrough_data();
    void onlyTheFreeSlotShowsThrough();
};

namespace {

// The cells through which the screen shows at five points; a cell that shows it at some of
// them only counts as (-1, -1).
QList<QPoint> holes(const QImage &screen, QPoint window, int scale)
{
    QList<QPoint> found;
    for (int cell = 0; cell < 25; ++cell) {
        const QPoint centre(18 + cell % 5 * 50 + 25, 18 + cell / 5 * 50 + 25);
        int through = 0;
        for (const QPoint step : {QPoint(0, 0), QPoint(-20, -20), QPoint(20, -20),
                 QPoint(-20, 20), QPoint(20, 20)})
            through += e2e::pixelAt(screen, window + (centre + step) * scale) == e2e::rootColor();
        if (through > 0)
            found << (through == 5 ? QPoint(cell % 5, cell / 5) : QPoint(-1, -1));
    }
    return found;
}

} // namespace

void TestWayland::onlyTheFreeSlotShowsThrough_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("scale 1") << 1;
    QTest::newRow("scale 2") << 2;
}

void TestWayland::onlyTheFreeSlotShowsThrough()
{
    E2E_REQUIRE_DISPLAY();
    for (const char *tool : {"sway", "swaybg", "setpriv"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            QSKIP("no sway (tools/install-deps.sh --test installs it)");
    QFETCH(int, scale);
    // sway refuses to run as root: there it runs as nobody, in a folder of nobody's.
    QTemporaryDir runtime;
    QFile config(runtime.filePath(QStringLiteral("config")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("output * bg %1 solid_color\noutput * scale %2\n")
                     .arg(e2e::rootColor().name()).arg(scale).toUtf8());
    config.close();
    QStringList sway {QStringLiteral("sway"), QStringLiteral("-c"), config.fileName()};
    if (getuid() == 0) {
        QVERIFY(chown(qPrintable(runtime.path()), 65534, 65534) == 0);
        sway = QStringList {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                   QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")} + sway;
    }
    QProcess compositor;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), e2e::display());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("x11"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    e2e::markAsTests(environment);
    compositor.setProcessEnvironment(environment);
    compositor.start(sway.first(), sway.mid(1));
    QStringList sockets;
    E2E_TRY_VERIFY((sockets = QDir(runtime.path()).entryList({QStringLiteral("wayland-?")},
                        QDir::System)).size() == 1, 10000);

    e2e::Program program;
    program.writeFile(QStringLiteral("tilora.ini"), "[Allgemein]\nMischdauer=1\nBild=Motiv A\n");
    program.start({QStringLiteral("env"), QStringLiteral("-u"), QStringLiteral("DISPLAY"),
        QStringLiteral("QT_QPA_PLATFORM=wayland"), "WAYLAND_DISPLAY=" + sockets.first(),
        "XDG_RUNTIME_DIR=" + runtime.path(), "XDG_CACHE_HOME=" + program.folder()});
    // sway's output is a 1024 x 768 window at the corner of the screen, the game floats in
    // its middle, and sway takes the keys under the pointer.
    const QPoint window = (QPoint(1024, 768) - QPoint(286, 286) * scale) / 2;
    e2e::mouseMove(QPoint(5, 5));
    QImage screen;
    const QList<QPoint> corner {QPoint(4, 4)};
    E2E_TRY_COMPARE(holes(screen = e2e::screenshot(), window, scale), corner, 30000);

    // The shuffle is over when the clock runs.
    const QRect clock(window + QPoint(55, 2) * scale, QSize(216, 14) * scale);
    const QImage stopped = screen.copy(clock);
    e2e::key(QStringLiteral("F2"));
    E2E_TRY_VERIFY((screen = e2e::screenshot()).copy(clock) != stopped, 20000);
    QList<QPoint> hole = holes(screen, window, scale);
    QCOMPARE(hole.size(), 1);
    QVERIFY(hole.first().x() >= 0);

    e2e::key(QStringLiteral("p"));
    E2E_TRY_COMPARE(holes(e2e::screenshot(), window, scale), QList<QPoint> {}, 10000);
    e2e::key(QStringLiteral("p"));
    E2E_TRY_COMPARE(holes(e2e::screenshot(), window, scale), hole, 10000);

    // The tile below the free slot (above it in the last row) slides up (down) into it.
    const bool up = hole.first().y() < 4;
    e2e::key(up ? QStringLiteral("Up") : QStringLiteral("Down"));
    hole.first() += QPoint(0, up ? 1 : -1);
    E2E_TRY_COMPARE(holes(e2e::screenshot(), window, scale), hole, 10000);
    program.kill();
    compositor.kill();
    compositor.waitForFinished();
}

TILORA_E2E_MAIN(TestWayland)

#include "tst_wayland.moc"

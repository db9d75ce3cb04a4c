#include "support/E2eHarness.h"

#include "region/FormRgn.h"

#include <QRegularExpression>
#include <QTest>
#include <QWidget>

#include <memory>

// Outlines on a real X server: what lies outside a window's outline shows the screen behind
// it, the outline follows resizes, and the bare area drags the window.
class TestShapedWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outlineShowsScreenOutside_data();
    void outlineShowsScreenOutside();
    void resizeReshapes();
    void bareAreaDragsWindow();
    void announcesItsFixedSize();
};

namespace {

const QColor WindowColour(0xC0, 0x30, 0x40);
const QString RoundedWindow = QStringLiteral("U0,0,W,H,20,20");

// A borderless window in one solid colour, placed where the test says (the test display has
// no window manager to place it elsewhere).
struct ColouredWindow
{
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    TFormRegion *region = new TFormRegion(window.get());

    ColouredWindow(const QString &text, QRect geometry)
    {
        QPalette palette = window->palette();
        palette.setColor(QPalette::Window, WindowColour);
        window->setPalette(palette);
        window->setAutoFillBackground(true);
        window->setGeometry(geometry);
        region->setRegion(text);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
};

// Waits until the screen shows the root colour at every point of `root` and the window's
// colour at every point of `inside` (window coordinates); returns what still differs.
QString waitForScreen(QPoint origin, const QList<QPoint> &root, const QList<QPoint> &inside)
{
    QStringList wrong;
    e2e::waitUntil([&] {
        wrong.clear();
        const QImage screen = e2e::screenshot();
        for (const QPoint point : root + inside) {
            const QColor colour = root.contains(point) ? e2e::rootColor() : WindowColour;
            if (const QColor seen = e2e::pixelAt(screen, origin + point); seen != colour)
                wrong << QStringLiteral("%1,%2 is %3, not %4")
                             .arg(point.x())
                             .arg(point.y())
                             .arg(seen.name(), colour.name());
        }
        return wrong.isEmpty();
    });
    return wrong.join(QStringLiteral("; "));
}

} // namespace

void TestShapedWindow::init()
{
    E2E_REQUIRE_DISPLAY();
}

void TestShapedWindow::cleanup()
{
    // The server takes the test's window away before the next test looks at the screen.
    e2e::syncWithServer();
}

void TestShapedWindow::outlineShowsScreenOutside_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<QPoint>>("root");
    QTest::addColumn<QList<QPoint>>("inside");
    const QList<QPoint> corners {{0, 0}, {299, 0}, {0, 199}, {299, 199}};
    const QList<QPoint> body {{10, 10}, {150, 100}, {296, 100}, {150, 0}, {287, 187}};
    QTest::newRow("rounded") << RoundedWindow << corners << body;
    // The hole covers columns 40..89 and rows 60..109.
    QTest::newRow("rounded with hole")
        << RoundedWindow + QStringLiteral("\r\nX\r\nR40,60,90,110")
        << corners + QList<QPoint> {{40, 60}, {89, 60}, {40, 109}, {89, 109}, {65, 85}}
        << body + QList<QPoint> {{39, 60}, {90, 60}, {40, 59}, {40, 110}, {90, 110}};
    QTest::newRow("empty outline")
        << QStringLiteral("R0,0,0,0") << corners + body << QList<QPoint> {};
}

void TestShapedWindow::outlineShowsScreenOutside()
{
    QFETCH(QString, text);
    QFETCH(QList<QPoint>, root);
    QFETCH(QList<QPoint>, inside);
    const QRect geometry(200, 150, 300, 200);
    ColouredWindow shaped(text, geometry);
    const QString wrong = waitForScreen(geometry.topLeft(), root, inside);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestShapedWindow::resizeReshapes()
{
    const QRect geometry(250, 200, 300, 200);
    ColouredWindow shaped(RoundedWindow, geometry);
    QString wrong = waitForScreen(geometry.topLeft(), {{299, 199}}, {{150, 100}});
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    shaped.window->resize(400, 280);
    wrong = waitForScreen(geometry.topLeft(), {{0, 0}, {399, 0}, {0, 279}, {399, 279}},
        {{299, 199}, {299, 0}, {0, 199}, {387, 267}, {350, 140}});
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestShapedWindow::bareAreaDragsWindow()
{
    const QRect geometry(300, 300, 300, 200);
    ColouredWindow shaped(RoundedWindow, geometry);
    shaped.region->setClientDrag(true);
    QString wrong = waitForScreen(geometry.topLeft(), {}, {{100, 100}});
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));

    const QPoint press = geometry.topLeft() + QPoint(100, 100);
    const QPoint delta(120, 70);
    e2e::mouseDown(press);
    e2e::mouseMove(press + QPoint(60, 35));
    e2e::mouseMove(press + delta);
    e2e::mouseUp(press + delta);
    QTRY_COMPARE(shaped.window->pos(), geometry.topLeft() + delta);

    const QString windowId = QString::number(shaped.window->winId());
    E2E_TRY_COMPARE(e2e::windowGeometry(windowId).topLeft(), geometry.topLeft() + delta, 5000);
    wrong = waitForScreen(geometry.topLeft() + delta, {{0, 0}, {299, 199}}, {{150, 100}});
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    // Where the window stood before, the screen shows again.
    wrong = waitForScreen(geometry.topLeft(), {{10, 10}, {100, 60}}, {});
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

// Tiling window managers float a window whose smallest and largest sizes are the same; the
// announcement follows every resize.
void TestShapedWindow::announcesItsFixedSize()
{
    const QRect geometry(150, 150, 300, 200);
    ColouredWindow shaped(RoundedWindow, geometry);
    const QString windowId = QString::number(shaped.window->winId());
    // "minimum" and "maximum", each with its size.
    const auto announced = [&windowId] {
        const QString hints = e2e::run(QStringLiteral("xprop"),
            {QStringLiteral("-id"), windowId, QStringLiteral("WM_NORMAL_HINTS")});
        static const QRegularExpression limit(
            QStringLiteral("program specified (\\w+) size: (\\d+) by (\\d+)"));
        QStringList sizes;
        for (const QRegularExpressionMatch &match : limit.globalMatch(hints))
            sizes << match.captured(1) + ' ' + match.captured(2) + 'x' + match.captured(3);
        return sizes.join(u',');
    };
    E2E_TRY_COMPARE(announced(), QStringLiteral("minimum 300x200,maximum 300x200"), 5000);
    shaped.window->resize(420, 260);
    E2E_TRY_COMPARE(announced(), QStringLiteral("minimum 420x260,maximum 420x260"), 5000);
    E2E_TRY_COMPARE(e2e::windowGeometry(windowId).size(), QSize(420, 260), 5000);
}

TILORA_E2E_MAIN(TestShapedWindow)

#include "tst_shapedwindow.moc"

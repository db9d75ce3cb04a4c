#include "support/E2eHarness.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <xcb/xcb.h>

// The menus, keys and caption buttons of the running program, seen on the screen.
class TestMenusE2e : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menuButtonOpensTheDrawnMenu();
    void menuOpensUnderItsButtonInAFrame();
    void highScoreWindowBelongsToTheMainWindow();
    void f6SwitchesToNumbers();
    void pPausesARunningGame();
    void closeButtonEndsTheProgram();

private:
    // Starts the program and waits for its main window; false when it does not show.
    bool startProgram();
    QPoint onWindow(int x, int y) const { return m_window.topLeft() + QPoint(x, y); }

    std::unique_ptr<e2e::Program> m_program;
    QString m_windowId;
    QRect m_window;
};

namespace {

const QColor Grey(73, 73, 73);
const QColor Silver(0xC0, 0xC0, 0xC0);
const QColor TileGrey(0x80, 0x80, 0x80);

// Whether some pixel of the area is near the colour.
bool hasNear(const QImage &image, const QRect &area, const QColor &colour, int tolerance)
{
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) <= tolerance
                && std::abs(pixel.green() - colour.green()) <= tolerance
                && std::abs(pixel.blue() - colour.blue()) <= tolerance)
                return true;
        }
    }
    return false;
}

// Takes the window into a frame at `place`, at the frame's top-left corner, without a word to
// the window, as window managers do; it goes back to the screen when the guard goes.
auto frameWindow(const QRect &place, const QString &windowId)
{
    auto *connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_window_t frame = xcb_generate_id(connection);
    const auto window = xcb_window_t(windowId.toULong());
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, frame, root, place.x(), place.y(),
        place.width(), place.height(), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
        nullptr);
    xcb_map_window(connection, frame);
    xcb_reparent_window(connection, window, frame, 0, 0);
    xcb_flush(connection);
    return qScopeGuard([=] {
        xcb_reparent_window(connection, window, root, 0, 0);
        xcb_destroy_window(connection, frame);
        xcb_flush(connection);
    });
}

} // namespace

void TestMenusE2e::init()
{
    m_program = std::make_unique<e2e::Program>();
}

void TestMenusE2e::cleanup()
{
    if (m_program) {
        if (QTest::currentTestFailed())
            qWarning() << m_program->errors();
        m_program->kill();
    }
    m_program.reset();
}

bool TestMenusE2e::startProgram()
{
    m_windowId
        = e2e::waitForWindow(QStringLiteral("Tilora"), 15000, m_program->start()->processId());
    // The first build sizes the window to the board: 5 × 5 tiles of 50 and the frame.
    e2e::waitUntil([this] {
        return m_windowId.isEmpty()
            || (m_window = e2e::windowGeometry(m_windowId)).size() == QSize(286, 286);
    });
    // The first board is ready when the pointer has been put in the window's middle.
    const QPoint middle = onWindow(143, 143);
    return m_window.size() == QSize(286, 286)
        && e2e::waitUntil([&] { return e2e::pointerPosition() == middle; });
}

void TestMenusE2e::menuButtonOpensTheDrawnMenu()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    const QStringList known = e2e::visibleWindows(m_program->pid());
    // The options button, top left at (39, 2), 12 × 12.
    e2e::click(onWindow(45, 8));
    const QRect menu = e2e::waitForNewWindow(m_program->pid(), known);
    QVERIFY2(!menu.isNull(), "no menu opened");
    QCOMPARE(menu.topLeft(), onWindow(39, 14));

    // Hover the first line ("Text").
    const QPoint first(menu.left() + 40, menu.top() + 6);
    e2e::mouseMove(first);
    QVERIFY(e2e::waitForPixel(QPoint(menu.left() + 3, first.y()), Silver));
    const QImage screen = e2e::screenshot();
    const QRect highlighted = e2e::menuLineAt(screen, menu, first);
    QVERIFY2(highlighted.height() >= 12 && highlighted.height() < menu.height() / 3,
        qPrintable(QStringLiteral("line of %1 pixels").arg(highlighted.height())));
    // Black text on silver; the line below is dark grey with white text.
    QVERIFY(hasNear(screen, highlighted.adjusted(16, 2, -2, -2), Qt::black, 60));
    const QPoint second(first.x(), highlighted.bottom() + highlighted.height() / 2);
    QCOMPARE(e2e::pixelAt(screen, QPoint(menu.left() + 3, second.y())), Grey);
    QVERIFY(hasNear(
        screen, e2e::menuLineAt(screen, menu, second).adjusted(16, 2, -2, -2), Qt::white, 60));

    e2e::key(QStringLiteral("Escape"));
}

// Right after start-up a window manager may have framed the window without the program
// knowing where it went: the menu still opens under its button.
void TestMenusE2e::menuOpensUnderItsButtonInAFrame()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    const auto frame = frameWindow(QRect(QPoint(400, 300), m_window.size()), m_windowId);
    E2E_TRY_COMPARE(e2e::windowGeometry(m_windowId).topLeft(), QPoint(400, 300), 5000);
    m_window.moveTo(400, 300);
    const QStringList known = e2e::visibleWindows(m_program->pid());
    e2e::click(onWindow(45, 8));
    const QRect menu = e2e::waitForNewWindow(m_program->pid(), known);
    QVERIFY2(!menu.isNull(), "no menu opened");
    QCOMPARE(menu.topLeft(), onWindow(39, 14));
    e2e::key(QStringLiteral("Escape"));
}

// The high score window is tied to the main window, and when it closes the keys go back there:
// without a window manager nobody else gives them back.
void TestMenusE2e::highScoreWindowBelongsToTheMainWindow()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    const QPoint tile = onWindow(18 + 6, 18 + 6);
    const QStringList known = e2e::visibleWindows(m_program->pid());
    e2e::mouseMove(onWindow(143, 143));
    e2e::key(QStringLiteral("h"));
    const QString table = e2e::waitForWindow(QStringLiteral("Highscore"), 10000, m_program->pid());
    QVERIFY2(!table.isEmpty(), "no high score window");
    // The window manager learns whose window it is.
    const QString owner = e2e::run(QStringLiteral("xprop"),
        {QStringLiteral("-id"), table, QStringLiteral("WM_TRANSIENT_FOR")});
    QVERIFY2(
        owner.contains(QStringLiteral("0x%1").arg(m_windowId.toULong(), 0, 16)), qPrintable(owner));
    e2e::key(QStringLiteral("Escape"));
    QVERIFY(e2e::waitUntil([&] { return e2e::visibleWindows(m_program->pid()) == known; }));
    // The keys go to the main window even with the pointer on the bare screen.
    e2e::mouseMove(m_window.bottomRight() + QPoint(200, 200));
    e2e::key(QStringLiteral("F6"));
    QVERIFY2(e2e::waitForPixel(tile, TileGrey), "F6 did not reach the main window");
}

void TestMenusE2e::f6SwitchesToNumbers()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    // Inside the first tile, clear of its frame and its number.
    const QPoint tile = onWindow(18 + 6, 18 + 6);
    QVERIFY(e2e::pixelAt(tile) != TileGrey);
    e2e::mouseMove(onWindow(143, 143));
    e2e::key(QStringLiteral("F6"));
    QVERIFY2(e2e::waitForPixel(tile, TileGrey), "no number tiles after F6");
    e2e::key(QStringLiteral("F6"));
    QVERIFY2(e2e::waitForPixel(tile, TileGrey, false), "no picture after a second F6");
}

void TestMenusE2e::pPausesARunningGame()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    const QPoint tile = onWindow(18 + 30, 18 + 30);
    // The picture, once the board is drawn there.
    QColor picture;
    QVERIFY(e2e::waitUntil([&] {
        picture = e2e::pixelAt(tile);
        return picture != Grey && picture != e2e::rootColor();
    }));
    // Before a game P changes nothing: F6, which comes after it, shows the numbers on a board
    // that is still there.
    e2e::mouseMove(onWindow(10, 143));
    e2e::key(QStringLiteral("p"));
    e2e::key(QStringLiteral("F6"));
    QVERIFY2(e2e::waitForPixel(tile, TileGrey), "no number tiles after P and F6");
    e2e::key(QStringLiteral("F6"));
    QVERIFY(e2e::waitForPixel(tile, picture));

    // "Mischen!" in the board's middle starts the shuffle; the clock runs once it ends.
    const QRect clock(onWindow(55, 2), QSize(176, 14));
    const QImage before = e2e::screenshot().copy(clock);
    e2e::click(onWindow(143, 143));
    QVERIFY(e2e::waitUntil([&] { return e2e::screenshot().copy(clock) != before; }, 20000));
    e2e::mouseMove(onWindow(10, 143));
    e2e::key(QStringLiteral("p"));
    QVERIFY2(e2e::waitForPixel(tile, Grey), "the board did not go away");
    e2e::key(QStringLiteral("P"));
    QVERIFY2(e2e::waitForPixel(tile, Grey, false), "the game did not resume");
}

void TestMenusE2e::closeButtonEndsTheProgram()
{
    E2E_REQUIRE_DISPLAY();
    QVERIFY(startProgram());
    QVERIFY(!QFileInfo::exists(m_program->filePath(QStringLiteral("tilora.ini"))));
    // "×" keeps its distance to the right edge: 303 in the 336-pixel layout.
    e2e::click(onWindow(286 - (336 - 303) + 6, 8));
    QVERIFY2(m_program->waitForExit(15000), "the program did not end");
    QCOMPARE(m_program->process()->exitStatus(), QProcess::NormalExit);
    const QString settings = QString::fromUtf8(m_program->readFile(QStringLiteral("tilora.ini")));
    QVERIFY2(settings.contains(QStringLiteral("[Allgemein]")), "no settings written");
    QVERIFY(settings.contains(QStringLiteral("Groesse=5")));
}

TILORA_E2E_MAIN(TestMenusE2e)

#include "tst_menus.moc"

#include "desktop/DocumentViewer.h"
#include "app/TiloraApplication.h"
#include "logic/FileLocations.h"
#include "support/TestWindows.h"
#include "controls/OwnerDrawnMenu.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

// The two popup menus, their drawing, the window's keys, the caption buttons and the help.
class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void menuItems_data();
    void menuItems();
    void menuOrderAndModeCaption();
    void renderedMenuFollowsTheMarks();
    void keys_data();
    void keys();
    void heldKeyActsOnce();
    void menusOpenAtTheirPlaces();
    void helpWithoutAViewer_data();
    void helpWithoutAViewer();
    void namesForAssistiveTechnology_data();
    void namesForAssistiveTechnology();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    void startGame();

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
    QStringList m_commands; // the commands that reached the window's hooks
    bool m_createdHelpFile = false;
};

namespace {

const QColor Grey(73, 73, 73);
const QColor Silver(0xC0, 0xC0, 0xC0);

// Whether some pixel of the area is at least the given share of the way from the background
// to the text colour (glyph edges are smoothed); a share of 0 finds any ink at all.
bool hasText(const QImage &image, const QRect &area, const QColor &background, const QColor &text,
    double share = 0.75)
{
    const int span = std::abs(text.value() - background.value());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (const QColor c = image.pixelColor(x, y);
                c != background && std::abs(c.value() - background.value()) >= share * span)
                return true;
    return false;
}

// The item or submenu a menu line shows, by name.
QString nameOf(TOwnerDrawnMenu *menu, QAction *entry)
{
    return entry->menu() ? entry->menu()->objectName() : menu->itemOf(entry)->objectName();
}

} // namespace

void TestMenus::initTestCase()
{
    // The program finds its help beside itself; this test stands in for the program.
    if (!QFile::exists(helpFileOfThisProgram())) {
        QVERIFY(QFile::copy(QStringLiteral(TILORA_SOURCE_DIR "/resources/help/tilora.html"),
            helpFileOfThisProgram()));
        m_createdHelpFile = true;
    }
}

void TestMenus::cleanupTestCase()
{
    if (m_createdHelpFile)
        QFile::remove(helpFileOfThisProgram());
}

void TestMenus::init()
{
    m_windows = CreateTestWindows(m_folder.path());
    TTiloraForm *window = main();
    window->hooks.movePointer = [](QPoint) {};
    SetPictureName(*window, m_folder.filePath(QStringLiteral("nicht-da.jpg")));
    window->hooks.openDocument = [this](const QString &) { m_commands << "help"; };
    // The high score window shows modally: noted, and closed again once it is up.
    qApp->installEventFilter(this);
    window->hooks.choosePictureFile = [this](QWidget *) {
        m_commands << "picture";
        return QString();
    };
    // A first start (no settings file) asks for the help once the window is up.
    QCoreApplication::processEvents();
    m_commands.clear();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

bool TestMenus::eventFilter(QObject *watched, QEvent *event)
{
    THighscore *highscore = m_windows->highscore.made();
    if (event->type() == QEvent::Show && watched == m_windows->about.made()) {
        m_commands << "farewell";
        QTimer::singleShot(0, m_windows->about.made(), &QWidget::close);
    }
    if (event->type() == QEvent::Show && highscore && watched == highscore) {
        m_commands << "highscore";
        QTimer::singleShot(0, highscore, &QWidget::close);
    }
    return false;
}

void TestMenus::cleanup()
{
    qApp->removeEventFilter(this);
    for (QMenu *menu : main()->findChildren<QMenu *>())
        menu->hide();
    m_windows.reset();
}

void TestMenus::startGame()
{
    main()->game().setShuffleDuration(1);
    Choose(*main(), "Spielmischen1");
    QVERIFY(Child<QTimer>(*main(), "SekundenZaehler")->isActive());
}

void TestMenus::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("hint");
    const char *const rows[][5] = {
        {"PopupMenu1", "Spielmischen1", "Spiel mischen    ", "F2", "Startet das Spiel"},
        {"PopupMenu1", "Bild1", "Motiv A", "A", ""},
        {"PopupMenu1", "Vorschau1", "Lösung anzeigen     ", "F4", "Zeigt das Originalbild an"},
        {"PopupMenu2", "Transparenz1", "Transparenz", "F8",
            "Freie Stellen werden Transparent dargestellt"},
        {"PopupMenu2", "Groesse1", "Groesse", "", "Einstellen der Spielfeldgröße"},
        {"Groesse1", "N121", "12×12  ", "", "Neue Spielfeldgröße"},
    };
    for (const auto &row : rows) {
        QTest::newRow(row[1]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1])
                              << QString::fromUtf8(row[2]) << QString::fromUtf8(row[3])
                              << QString::fromUtf8(row[4]);
    }
}

void TestMenus::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, name);
    auto *popup = main()->findChild<TOwnerDrawnMenu *>(menu);
    QVERIFY(popup);
    QAction *entry = nullptr;
    for (QAction *candidate : popup->actions())
        entry = nameOf(popup, candidate) == name ? candidate : entry;
    QVERIFY(entry);
    QAction *item = popup->itemOf(entry);
    QTEST(popup->lookOf(entry).caption, "caption");
    QTEST(popup->shortcutOf(item), "key");
    QTEST(popup->lookOf(entry).shortcut, "key");
    QTEST(item->statusTip(), "hint");
    // Drawn only: no key is bound, and no entry can toggle a mark of its own.
    QVERIFY(item->shortcut().isEmpty() && entry->shortcut().isEmpty());
    QVERIFY(!entry->isCheckable());
    // Hidden items take no room.
    QCOMPARE(popup->actionGeometry(entry).isEmpty(), !entry->isVisible());
}

void TestMenus::menuOrderAndModeCaption()
{
    TTiloraForm *window = main();
    auto names = [](TOwnerDrawnMenu *menu) {
        QStringList result;
        for (QAction *entry : menu->actions())
            result << nameOf(menu, entry);
        return result.join(QLatin1Char(' '));
    };
    QCOMPARE(names(Child<TOwnerDrawnMenu>(*window, "PopupMenu1")),
        QStringLiteral("Spielmischen1 Bildladen1 Bild1 Bild2 Vorschau1 Schummeln1 Highscore1 "
                       "Pause1"));
    QCOMPARE(names(Child<TOwnerDrawnMenu>(*window, "PopupMenu2")),
        QStringLiteral("Text1 Groesse1 Animation1 Mischen1 Steineumrahmen1 Transparenz1 "
                       "Einstellungen1"));

    // The mode item's caption, as the board's look names it, is what the menu draws.
    auto *options = Child<TOwnerDrawnMenu>(*window, "PopupMenu2");
    Choose(*window, "Text1");
    QCOMPARE(options->lookOf(options->entryOf(Child<QAction>(*window, "Text1"))).caption,
        QStringLiteral("Bild"));
}

void TestMenus::renderedMenuFollowsTheMarks()
{
    TTiloraForm *window = main();
    TOwnerDrawnMenu *menu = Child<TOwnerDrawnMenu>(*window, "PopupMenu2");
    Choose(*window, "Transparenz1");
    menu->popup(window->mapToGlobal(QPoint(20, 20)));
    QAction *framed = menu->entryOf(Child<QAction>(*window, "Steineumrahmen1"));
    QAction *transparent = menu->entryOf(Child<QAction>(*window, "Transparenz1"));
    menu->setActiveAction(transparent);
    auto markArea = [menu](QAction *entry) {
        return menu->actionGeometry(entry) & QRect(6, 0, 10, menu->height());
    };

    QImage image = menu->grab().toImage();
    QCOMPARE(image.pixelColor(menu->actionGeometry(framed).topLeft() + QPoint(2, 2)), Grey);
    QCOMPARE(image.pixelColor(menu->actionGeometry(transparent).topLeft() + QPoint(2, 2)), Silver);
    QVERIFY(hasText(image, markArea(framed), Grey, Qt::white));
    QVERIFY(!hasText(image, markArea(transparent), Silver, Qt::black, 0));

    QTest::keyClick(window, Qt::Key_F7);
    QTest::keyClick(window, Qt::Key_F8);
    image = menu->grab().toImage();
    QVERIFY(!hasText(image, markArea(framed), Grey, Qt::white, 0));
    QVERIFY(hasText(image, markArea(transparent), Silver, Qt::black));
}

void TestMenus::keys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    // "numbers": the window, in number mode; "game": the window, a game on
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QString>("command"); // "" for none
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const char *const functionKeys[] = {"help", "shuffle", "picture", "solution", "cheat", "mode",
        "frames", "transparency", "settings"};
    for (int f = 1; f <= 9; ++f)
        QTest::addRow("F%d", f) << Qt::Key_F1 + f - 1 << none << "window" << functionKeys[f - 1];
    QTest::newRow("Shift+Ctrl+F7")
        << int(Qt::Key_F7) << (Qt::ShiftModifier | Qt::ControlModifier) << "window"
        << "frames";
    QTest::newRow("F2 on the board") << int(Qt::Key_F2) << none << "board"
                                     << "shuffle";
    // Hidden items keep their keys.
    QTest::newRow("a with numbers") << int(Qt::Key_A) << none << "numbers"
                                    << "motifA";
    QTest::newRow("B") << int(Qt::Key_B) << Qt::KeyboardModifiers(Qt::ShiftModifier) << "window"
                       << "motifB";
    QTest::newRow("F5 in the solution window") << int(Qt::Key_F5) << none << "solution"
                                               << "cheat";
    QTest::newRow("h on the clock") << int(Qt::Key_H) << none << "clock"
                                    << "highscore";
    QTest::newRow("p") << int(Qt::Key_P) << none << "window"
                       << "pause";
    // An arrow moves the tile beside the free cell into it, the way the arrow points.
    QTest::newRow("Right: the tile on its left") << int(Qt::Key_Right) << none << "game"
                                                 << "free -1,0";
    QTest::newRow("keypad Down") << int(Qt::Key_Down) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                 << "game" << "free 0,-1";
    QTest::newRow("Right with no game") << int(Qt::Key_Right) << none << "window" << "";
    // The window put away and the game ended, with no window manager to do it.
    QTest::newRow("Ctrl+M") << int(Qt::Key_M) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << "window" << "away";
    QTest::newRow("Ctrl+Q") << int(Qt::Key_Q) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << "window" << "farewell";
    // With Ctrl a letter is no typed character.
    QTest::newRow("Ctrl+P") << int(Qt::Key_P) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << "window"
                            << "";
}

void TestMenus::keys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, receiver);
    QFETCH(QString, command);
    TTiloraForm *window = main();
    if (receiver == u"numbers")
        Choose(*window, "Text1");
    if (key == Qt::Key_P) {
        startGame();
        m_commands.clear();
    }
    // A game on the board as it stands: the free cell at the bottom right.
    if (receiver == u"game")
        QVERIFY(window->game().beginGameOn(window->game().puzzle()));
    const QPoint free = window->game().puzzle().freeCell();
    // Disabled items keep their keys as well.
    for (QAction *item : window->findChildren<QAction *>())
        item->setEnabled(false);

    const auto builds = NewBoardsOf(window->game()); // the new boards made
    const bool pictureMode = window->game().settings().pictureMode;
    const GamePhase phase = window->game().phase();
    const QList<QAction *> toggles {Child<QAction>(*window, "Vorschau1"), Child<QAction>(*window, "Schummeln1"), Child<QAction>(*window, "Steineumrahmen1"),
        Child<QAction>(*window, "Transparenz1"), Child<QAction>(*window, "Pause1")};
    const QStringList toggleCommands {"solution", "cheat", "frames", "transparency", "pause"};
    QList<bool> marks;
    for (QAction *toggle : toggles)
        marks << toggle->isChecked();
    // The dialog is modal: note and close it from inside its run.
    QTimer::singleShot(0, window, [this] {
        if (m_windows->settings.isVisible()) {
            m_commands << "settings";
            m_windows->settings.made()->close();
        }
    });

    QWidget *target = receiver == u"board" ? Child(*window, "Brett")
        : receiver == u"clock"             ? static_cast<QWidget *>(Child<QLabel>(*window, "zeit"))
        : receiver == u"solution"          ? static_cast<QWidget *>(&m_windows->preview())
                                           : window;
    QTest::keyClick(target, Qt::Key(key), modifiers);

    if (const QPoint moved = window->game().puzzle().freeCell() - free;
        key >= Qt::Key_Left && key <= Qt::Key_Down && !moved.isNull())
        m_commands << QStringLiteral("free %1,%2").arg(moved.x()).arg(moved.y());
    for (qsizetype i = 0; i < toggles.size(); ++i)
        if (toggles[i]->isChecked() != marks[i])
            m_commands << toggleCommands[i];
    if (command.startsWith(u"motif")) {
        // A motif rebuilds, in pictures, also from number mode.
        QCOMPARE(builds->size(), size_t(1));
        QVERIFY((command == u"motifA" ? Child<QAction>(*window, "Bild1") : Child<QAction>(*window, "Bild2"))->isChecked());
        QVERIFY(window->game().settings().pictureMode);
        QCOMPARE(m_commands, QStringList());
        return;
    }
    if (window->game().settings().pictureMode != pictureMode)
        m_commands << "mode";
    if (window->isMinimized())
        m_commands << "away";
    if (window->game().phase() == GamePhase::Running && phase != GamePhase::Running)
        m_commands << "shuffle";
    QCOMPARE(m_commands, command.isEmpty() ? QStringList() : QStringList {command});
    QVERIFY(Child<QAction>(*window, "Bild1")->isChecked() && !Child<QAction>(*window, "Bild2")->isChecked());
    if (command.isEmpty())
        QVERIFY(builds->empty());
    if (key == Qt::Key_P)
        QCOMPARE(Child<QTimer>(*window, "SekundenZaehler")->isActive(), command != u"pause");
}

void TestMenus::heldKeyActsOnce()
{
    TTiloraForm *window = main();
    const bool frames = Child<QAction>(*window, "Steineumrahmen1")->isChecked();
    for (bool repeat : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(window, &press);
    }
    QCOMPARE(Child<QAction>(*window, "Steineumrahmen1")->isChecked(), !frames);
    // Keys of other windows are theirs.
    QTest::keyClick(&m_windows->start(), Qt::Key_F7);
    QCOMPARE(Child<QAction>(*window, "Steineumrahmen1")->isChecked(), !frames);
}

// The game button opens the game menu below itself, a right click on the clock where the
// pointer is; a left click on the clock opens nothing.
void TestMenus::menusOpenAtTheirPlaces()
{
    TTiloraForm *window = main();
    QTest::mouseClick(Child<QLabel>(*window, "zeit"), Qt::LeftButton, {}, QPoint(40, 6));
    QVERIFY(!Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->isVisible() && !Child<TOwnerDrawnMenu>(*window, "PopupMenu2")->isVisible());
    QTest::mouseClick(Child<QLabel>(*window, "zeit"), Qt::RightButton, {}, QPoint(40, 6));
    QVERIFY(Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->isVisible() && !Child<TOwnerDrawnMenu>(*window, "PopupMenu2")->isVisible());
    QCOMPARE(Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->pos(), Child<QLabel>(*window, "zeit")->mapToGlobal(QPoint(40, 6)));
    Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->hide();
    QTest::mouseClick(Child<TSpezialButton>(*window, "SpezialButton5"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->isVisible() && !Child<TOwnerDrawnMenu>(*window, "PopupMenu2")->isVisible());
    QCOMPARE(Child<TOwnerDrawnMenu>(*window, "PopupMenu1")->pos(), Child<TSpezialButton>(*window, "SpezialButton5")->mapToGlobal(QPoint(0, 12)));
    // The keyboard opens them below their buttons: F10 the game menu, Shift+F10 and the menu
    // key the options menu.
    for (const auto &[key, shift, menu, button] : {std::tuple(Qt::Key_F10, false, "PopupMenu1", "SpezialButton5"),
             std::tuple(Qt::Key_F10, true, "PopupMenu2", "SpezialButton1"),
             std::tuple(Qt::Key_Menu, false, "PopupMenu2", "SpezialButton1")}) {
        for (QMenu *open : window->findChildren<QMenu *>())
            open->hide();
        QTest::keyClick(window, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(Child<QMenu>(*window, menu)->isVisible());
        QCOMPARE(Child<QMenu>(*window, menu)->pos(), Child(*window, button)->mapToGlobal(QPoint(0, 12)));
    }
}

void TestMenus::helpWithoutAViewer_data()
{
    QTest::addColumn<QString>("opener"); // the desktop's opener, none when empty
    QTest::addColumn<bool>("ownWindow");
    QTest::newRow("no opener") << QString() << true;
    QTest::newRow("the opener finds no viewer") << "exit 3" << true;
    QTest::newRow("a viewer shows it") << "exit 0" << false;
}

// The help that no viewer can show, at the first start and on F1, shows in the game's own
// window.
void TestMenus::helpWithoutAViewer()
{
    QFETCH(QString, opener);
    QFETCH(bool, ownWindow);
    QTemporaryDir folder;
    QFile script(folder.filePath(QStringLiteral("xdg-open")));
    if (!opener.isEmpty() && script.open(QIODevice::WriteOnly)) {
        script.write("#!/bin/sh\n" + opener.toLatin1() + "\n");
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        script.close();
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder.path()));
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });

    const std::unique_ptr<ProgramWindows> windows = CreateTestWindows(folder.path());
    TTiloraForm *main = windows->main.get();
    const auto openerDone = [main] { return main->findChildren<QProcess *>().isEmpty(); };
    const auto helpShown = [main] {
        const auto *help = main->findChild<QTextBrowser *>(QStringLiteral("Dokumentfenster"));
        return help && help->isVisible()
            && help->windowTitle() == QStringLiteral("Tilora – Hilfe");
    };
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    QTRY_VERIFY2(openerDone() && helpShown() == ownWindow, "at the first start");
    if (auto *help = main->findChild<QTextBrowser *>(QStringLiteral("Dokumentfenster")))
        help->close();
    QTest::keyClick(main, Qt::Key_F1);
    QTRY_VERIFY2(openerDone() && helpShown() == ownWindow, "on F1");
}

void TestMenus::namesForAssistiveTechnology_data()
{
    QTest::addColumn<QString>("window");
    // By object name ("window" for a window that takes the keys itself), the names of the
    // controls that do not show them as their text, as buttons and tiles do.
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("press"); // control=command, pressed through assistive technology
    const char *const rows[][3] = {{"main", "Panel4=Mischen!", "SpezialButton2=help"},
        {"main", "Panel4=Mischen!", "tile=shuffle"}, {"main paused", "Pausenpanel=Pause!", ""},
        {"settings", "GroesseEdit=Größe,ZoomEdit=Zoomfaktor,SteinGroesseEdit=Steingröße", ""},
        {"highscore", "Panel1=Highscore,Nameneingabe=Name,OKButton=OK,SpezialButton4=Schließen",
            ""},
        {"solution", "SpezialButton4=Schließen", ""}, {"about", "window=Tilora,Panel1=Tilora", ""},
        {"start", "Panel1=Spielen!", ""},
        {"message", "Panel1=Glückwunsch!!!,SpezialButton4=Schließen", ""},
        {"help", "window=Tilora – Hilfe", ""}};
    for (const auto &[window, names, press] : rows)
        QTest::addRow("%s %s", window, press) << window << QString::fromUtf8(names) << press;
}

// Every control a player can reach, by the keyboard or a click, carries the name that a
// sighted player reads and a role, and one that takes clicks can be pressed.
void TestMenus::namesForAssistiveTechnology()
{
    QFETCH(QString, window);
    QFETCH(QString, names);
    qApp->removeEventFilter(this); // the high score window stays up
    if (window.startsWith("main"))
        names += ",SpezialButton5=Spielmenü,SpezialButton1=Optionsmenü,SpezialButton2=Hilfe,"
                 "SpezialButton3=Ablegen,SpezialButton4=Beenden";
    QMap<QString, QString> expected;
    for (const QString &entry : names.split(','))
        expected.insert(entry.section('=', 0, 0), entry.section('=', 1));
    auto check = [&](QWidget *top) {
        for (QWidget *w : QList<QWidget *> {top} + top->findChildren<QWidget *>()) {
            auto *tile = qobject_cast<TTiloraStein *>(w);
            auto *button = qobject_cast<QAbstractButton *>(w);
            auto *panel = qobject_cast<TPanel *>(w);
            const bool clickable
                = tile || qobject_cast<TSpezialButton *>(w) || (panel && panel->isClickable());
            if (!w->isVisible() || w->window() != top || w->objectName().startsWith("qt_")
                || !(clickable || button || w->focusPolicy() != Qt::NoFocus))
                continue;
            const QString key = w == top ? QStringLiteral("window") : w->objectName();
            const QString name = expected.contains(key) ? expected.take(key)
                : tile                                  ? "Stein " + tile->NumberLabel->text()
                                                        : (button ? button->text() : "");
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(w);
            QVERIFY2(!name.isEmpty(), qPrintable(key + " " + w->metaObject()->className()));
            QCOMPARE(accessible->text(QAccessible::Name), name);
            QVERIFY2(accessible->role() != QAccessible::Client && accessible->role() != 0,
                qPrintable(key + name));
            QVERIFY(!clickable
                || accessible->actionInterface()->actionNames().contains(
                    QAccessibleActionInterface::pressAction()));
        }
        QCOMPARE(expected.keys(), QStringList()); // every one reached
    };
    if (window == "highscore") {
        THighscore &highscore = m_windows->highscore();
        QTimer::singleShot(0, &highscore, [&] {
            const auto closing = qScopeGuard([&] { highscore.close(); });
            check(&highscore);
        });
        return highscore.AddResult("00:00:07", main()->game().highscoreConfiguration());
    }
    if (window == "main paused") {
        startGame();
        QTest::keyClick(main(), Qt::Key_P);
    }
    QWidget *top = window == "settings" ? static_cast<QWidget *>(&m_windows->settings())
        : window == "solution"          ? &m_windows->preview()
        : window == "about"             ? &m_windows->about()
        : window == "start"             ? &m_windows->start()
        : window == "message"           ? &m_windows->message()
        : window == "help"              ? ShowDocumentWindow(helpFileOfThisProgram(), main())
                                        : main();
    top->show();
    QVERIFY(QTest::qWaitForWindowExposed(top));
    check(top);
    QFETCH(QString, press);
    if (press.isEmpty() || QTest::currentTestFailed())
        return;
    const QString pressed = press.section('=', 0, 0);
    QWidget *control
        = pressed == "tile" ? TileAt(*main(), QPoint(1, 1)) : main()->findChild<QWidget *>(pressed);
    QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    if (press.endsWith(u"=shuffle"))
        QTRY_COMPARE(main()->game().phase(), GamePhase::Running);
    else
        QTRY_COMPARE(m_commands, QStringList {press.section('=', 1)});
}

QTEST_MAIN(TestMenus)

#include "tst_menus.moc"

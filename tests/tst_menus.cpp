#include "app/ProgramWindows.h"
#include "controls/OwnerDrawnMenu.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "windows/einstellungenfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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
    void menusOpenAtTheirPlaces_data();
    void menusOpenAtTheirPlaces();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    void startGame();

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
    QStringList m_openedDocuments;
    int m_highscoreShowings = 0;
    int m_pictureDialogs = 0;
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
    const QRect inside = area & image.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const int distance = std::abs(image.pixelColor(x, y).value() - background.value());
            if (image.pixelColor(x, y) != background && distance >= share * span)
                return true;
        }
    }
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
    if (!QFile::exists(TTiloraForm::helpFilePath())) {
        QFile file(TTiloraForm::helpFilePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        m_createdHelpFile = true;
    }
}

void TestMenus::cleanupTestCase()
{
    if (m_createdHelpFile)
        QFile::remove(TTiloraForm::helpFilePath());
}

void TestMenus::init()
{
    m_windows = CreateProgramWindows();
    TTiloraForm *window = main();
    window->movePointer = [](QPoint) {};
    window->PictureName = m_folder.filePath(QStringLiteral("nicht-da.jpg"));
    window->openDocument = [this](const QString &path) { m_openedDocuments << path; };
    window->showHighscores = [this] { ++m_highscoreShowings; };
    window->choosePictureFile = [this](QWidget *) {
        ++m_pictureDialogs;
        return QString();
    };
    // A first start (no settings file) asks for the help once the window is up.
    QCoreApplication::processEvents();
    m_openedDocuments.clear();
    m_highscoreShowings = m_pictureDialogs = 0;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void TestMenus::cleanup()
{
    for (QMenu *menu : main()->findChildren<QMenu *>())
        menu->hide();
    m_windows.reset();
}

void TestMenus::startGame()
{
    main()->SetShuffleDuration(1);
    main()->StartShuffle();
    QVERIFY(main()->isClockRunning());
}

void TestMenus::menuItems_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown"); // "picture", "numbers", "both" or "never"
    QTest::addColumn<QString>("hint");
    const char *const rows[][6] = {
        {"PopupMenu1", "Spielmischen1", "Spiel mischen    ", "F2", "both", "Startet das Spiel"},
        {"PopupMenu1", "Bild1", "Motiv A", "A", "never", ""},
        {"PopupMenu1", "Vorschau1", "Lösung anzeigen     ", "F4", "picture",
            "Zeigt das Originalbild an"},
        {"PopupMenu1", "Pause1", "Pause", "P", "both", ""},
        {"PopupMenu2", "Transparenz1", "Transparenz", "F8", "both",
            "Freie Stellen werden Transparent dargestellt"},
        {"PopupMenu2", "Groesse1", "Groesse", "", "both", "Einstellen der Spielfeldgröße"},
        {"Groesse1", "N121", "12×12  ", "", "both", "Neue Spielfeldgröße"},
        {"Mischen1", "selbst1", "selbst bestimmen   ", "", "both", ""},
    };
    for (const auto &row : rows) {
        QTest::newRow(row[1]) << QString::fromUtf8(row[0]) << QString::fromUtf8(row[1])
                              << QString::fromUtf8(row[2]) << QString::fromUtf8(row[3])
                              << QString::fromUtf8(row[4]) << QString::fromUtf8(row[5]);
    }
}

void TestMenus::menuItems()
{
    QFETCH(QString, menu);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, key);
    QFETCH(QString, shown);
    QFETCH(QString, hint);
    auto *popup = main()->findChild<TOwnerDrawnMenu *>(menu);
    QVERIFY(popup);
    QAction *entry = nullptr;
    for (QAction *candidate : popup->actions())
        entry = nameOf(popup, candidate) == name ? candidate : entry;
    QVERIFY(entry);
    QAction *item = popup->itemOf(entry);
    QCOMPARE(popup->lookOf(entry).caption, caption);
    QCOMPARE(popup->shortcutOf(item), key);
    QCOMPARE(popup->lookOf(entry).shortcut, key);
    QCOMPARE(item->statusTip(), hint);
    // Drawn only: no key is bound, and no entry can toggle a mark of its own.
    QVERIFY(item->shortcut().isEmpty() && entry->shortcut().isEmpty());
    QVERIFY(!entry->isCheckable());

    for (bool pictureMode : {true, false}) {
        if (main()->PictureMode != pictureMode)
            main()->Text1Click();
        const bool visible = shown == QLatin1String("both")
            || shown == QLatin1String(pictureMode ? "picture" : "numbers");
        QCOMPARE(entry->isVisible(), visible);
        QCOMPARE(popup->actionGeometry(entry).isEmpty(), !visible);
        // The line shows the item's mark whatever changes it.
        QCOMPARE(popup->lookOf(entry).checked, item->isChecked());
        if (item->isCheckable()) {
            item->setChecked(!item->isChecked());
            QCOMPARE(popup->lookOf(entry).checked, item->isChecked());
        }
    }
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
    QCOMPARE(names(window->PopupMenu1),
        QStringLiteral("Spielmischen1 Bildladen1 Bild1 Bild2 Vorschau1 Schummeln1 Highscore1 "
                       "Pause1"));
    QCOMPARE(names(window->PopupMenu2),
        QStringLiteral("Text1 Groesse1 Animation1 Mischen1 Steineumrahmen1 Transparenz1 "
                       "Einstellungen1"));

    // "Text1" names the mode a click switches to.
    QAction *entry = window->PopupMenu2->entryOf(window->Text1);
    QCOMPARE(window->PopupMenu2->lookOf(entry).caption, QStringLiteral("Text"));
    QCOMPARE(window->PopupMenu2->shortcutOf(window->Text1), QStringLiteral("F6"));
    window->Text1Click();
    QCOMPARE(window->PopupMenu2->lookOf(entry).caption, QStringLiteral("Bild"));
    window->Text1Click();
    QCOMPARE(window->PopupMenu2->lookOf(entry).caption, QStringLiteral("Text"));
}

void TestMenus::renderedMenuFollowsTheMarks()
{
    TTiloraForm *window = main();
    TOwnerDrawnMenu *menu = window->PopupMenu2;
    window->Steineumrahmen1->setChecked(true);
    window->Transparenz1->setChecked(false);
    menu->popup(window->mapToGlobal(QPoint(20, 20)));
    QAction *framed = menu->entryOf(window->Steineumrahmen1);
    QAction *transparent = menu->entryOf(window->Transparenz1);
    menu->setActiveAction(transparent);
    auto markArea = [menu](QAction *entry) {
        return menu->actionGeometry(entry)
            .adjusted(6, 0, 0, 0)
            .intersected(QRect(6, 0, 10, menu->height()));
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
    QTest::addColumn<QString>("command"); // "" for none
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<bool>("numberMode");
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const char *const functionKeys[] = {"help", "shuffle", "picture", "solution", "cheat", "mode",
        "frames", "transparency", "settings"};
    for (int f = 1; f <= 9; ++f) {
        const int key = Qt::Key_F1 + f - 1;
        QTest::addRow("F%d", f) << key << none << functionKeys[f - 1] << "window" << false;
    }
    QTest::newRow("Shift+Ctrl+F7")
        << int(Qt::Key_F7) << (Qt::ShiftModifier | Qt::ControlModifier) << "frames"
        << "window" << false;
    QTest::newRow("F2 on the board") << int(Qt::Key_F2) << none << "shuffle"
                                     << "board" << false;
    // Hidden items keep their keys.
    QTest::newRow("F5 with numbers") << int(Qt::Key_F5) << none << "cheat"
                                     << "window" << true;
    QTest::newRow("a with numbers") << int(Qt::Key_A) << none << "motifA"
                                    << "window" << true;
    QTest::newRow("B") << int(Qt::Key_B) << Qt::KeyboardModifiers(Qt::ShiftModifier) << "motifB"
                       << "window" << false;
    QTest::newRow("h on the clock") << int(Qt::Key_H) << none << "highscore"
                                    << "clock" << false;
    QTest::newRow("p") << int(Qt::Key_P) << none << "pause"
                       << "window" << false;
    // With Ctrl or Alt a letter is no typed character.
    QTest::newRow("Ctrl+P") << int(Qt::Key_P) << Qt::KeyboardModifiers(Qt::ControlModifier) << ""
                            << "window" << false;
    QTest::newRow("Alt+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::AltModifier) << ""
                           << "window" << false;
}

void TestMenus::keys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, command);
    QFETCH(QString, receiver);
    QFETCH(bool, numberMode);
    TTiloraForm *window = main();
    if (numberMode)
        window->Text1Click();
    if (key == Qt::Key_P)
        startGame();
    window->Bild2->setChecked(true);
    // Disabled items keep their keys as well.
    for (QAction *item : window->findChildren<QAction *>())
        item->setEnabled(false);

    QSignalSpy rebuilt(window, &TTiloraForm::boardRebuilt);
    QSignalSpy started(window, &TTiloraForm::gameStarted);
    const bool pictureMode = window->PictureMode;
    const std::array<QAction *, 4> toggles {
        window->Vorschau1, window->Schummeln1, window->Steineumrahmen1, window->Transparenz1};
    const QStringList toggleCommands {"solution", "cheat", "frames", "transparency"};
    std::array<bool, 4> marks {};
    for (size_t i = 0; i < toggles.size(); ++i)
        marks[i] = toggles[i]->isChecked();
    // The dialog is modal: count and close it from inside its run.
    auto settingsShowings = std::make_shared<int>(0);
    TEinstellungen *settings = m_windows->settings.get();
    QTimer::singleShot(0, settings, [settings, settingsShowings] {
        if (settings->isVisible()) {
            ++*settingsShowings;
            settings->close();
        }
    });

    QWidget *target = receiver == QLatin1String("board") ? window->Brett
        : receiver == QLatin1String("clock")             ? static_cast<QWidget *>(window->zeit)
                                                         : window;
    QTest::keyClick(target, Qt::Key(key), modifiers);

    QCOMPARE(m_openedDocuments.size(), command == QLatin1String("help") ? 1 : 0);
    QCOMPARE(started.count(), command == QLatin1String("shuffle") ? 1 : 0);
    QCOMPARE(m_pictureDialogs, command == QLatin1String("picture") ? 1 : 0);
    QCOMPARE(*settingsShowings, command == QLatin1String("settings") ? 1 : 0);
    QCOMPARE(m_highscoreShowings, command == QLatin1String("highscore") ? 1 : 0);
    for (size_t i = 0; i < toggles.size(); ++i)
        QCOMPARE(toggles[i]->isChecked(), marks[i] != (command == toggleCommands[i]));
    if (command.startsWith(QLatin1String("motif"))) {
        // A motif rebuilds, in pictures, also from number mode.
        QCOMPARE(rebuilt.count(), 1);
        QVERIFY((command == QLatin1String("motifA") ? window->Bild1 : window->Bild2)->isChecked());
        QVERIFY(window->PictureMode);
    } else {
        QCOMPARE(window->PictureMode, pictureMode != (command == QLatin1String("mode")));
        QVERIFY(window->Bild2->isChecked());
        if (command.isEmpty())
            QCOMPARE(rebuilt.count(), 0);
    }
    if (key == Qt::Key_P) {
        QCOMPARE(window->Pause1->isChecked(), command == QLatin1String("pause"));
        QCOMPARE(window->isClockRunning(), command != QLatin1String("pause"));
    }
}

void TestMenus::heldKeyActsOnce()
{
    TTiloraForm *window = main();
    const bool frames = window->Steineumrahmen1->isChecked();
    for (bool repeat : {false, true, true, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F7, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(window, &press);
    }
    QCOMPARE(window->Steineumrahmen1->isChecked(), !frames);
    // Keys of other windows are theirs.
    QTest::keyClick(m_windows->start.get(), Qt::Key_F7);
    QCOMPARE(window->Steineumrahmen1->isChecked(), !frames);
}

void TestMenus::menusOpenAtTheirPlaces_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("clickAt");
    QTest::addColumn<QString>("menu"); // "" for none
    QTest::addColumn<QPoint>("menuAt"); // in the control's coordinates
    const int left = Qt::LeftButton;
    const int right = Qt::RightButton;
    QTest::newRow("game button") << "SpezialButton5" << left << QPoint(5, 5) << "PopupMenu1"
                                 << QPoint(0, 12);
    QTest::newRow("clock") << "zeit" << right << QPoint(40, 6) << "PopupMenu1" << QPoint(40, 6);
    QTest::newRow("clock, left") << "zeit" << left << QPoint(40, 6) << "" << QPoint();
}

void TestMenus::menusOpenAtTheirPlaces()
{
    QFETCH(QString, control);
    QFETCH(int, button);
    QFETCH(QPoint, clickAt);
    QFETCH(QString, menu);
    QFETCH(QPoint, menuAt);
    auto *widget = main()->findChild<QWidget *>(control);
    QVERIFY(widget);
    QTest::mouseClick(widget, Qt::MouseButton(button), Qt::NoModifier, clickAt);
    for (TOwnerDrawnMenu *popup : {main()->PopupMenu1, main()->PopupMenu2}) {
        QCOMPARE(popup->isVisible(), popup->objectName() == menu);
        if (popup->isVisible())
            QCOMPARE(popup->pos(), widget->mapToGlobal(menuAt));
    }
}

QTEST_MAIN(TestMenus)

#include "tst_menus.moc"

// Menus, keys and the commands they run: the items, the two popup menus and the keys are made
// from the table of commands (logic/Commands.h), the caption buttons open the menus and the
// help. The settings dialog and the way to the tray are here too.

#include "main/HauptFenster.h"

#include "controls/OwnerDrawnMenu.h"
#include "controls/SpezialButton.h"
#include "desktop/EventHook.h"
#include "desktop/TrayIcon.h"
#include "desktop/WindowPlacement.h"
#include "logic/Commands.h"
#include "logic/FileLocations.h"
#include "windows/SecondaryWindows.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"
#include "windows/highscorefenster.h"
#include "windows/startenfenster.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>

namespace {

bool isFunctionKey(int key)
{
    return key >= Qt::Key_F1 && key <= Qt::Key_F35;
}

} // namespace

void TTiloraForm::createMenus()
{
    for (const CommandEntry &entry : Commands()) {
        auto *item = new QAction(entry.text(), this);
        item->setObjectName(QLatin1String(entry.objectName));
        item->setCheckable(entry.checkable);
        item->setStatusTip(QString::fromUtf8(entry.hint));
        item->setData(CommandIndex(entry));
        m_items.push_back(item);
    }
    // An entry in a menu, with its key drawn beside it.
    const auto add = [this](TOwnerDrawnMenu *menu, const CommandEntry &entry) {
        menu->addItem(m_items[size_t(CommandIndex(entry))],
            entry.key ? QKeySequence(entry.key).toString(QKeySequence::PortableText) : QString());
    };
    const auto fill = [&add](TOwnerDrawnMenu *menu, CommandMenu which) {
        for (const CommandEntry &entry : CommandsOf(which))
            add(menu, entry);
    };
    const auto submenu = [this, &fill](const char *name, const char *caption, CommandMenu which) {
        auto *menu = new TOwnerDrawnMenu(QLatin1String(caption), PopupMenu2);
        menu->setObjectName(QLatin1String(name));
        fill(menu, which);
        connect(menu, &TOwnerDrawnMenu::itemChosen, this, &TTiloraForm::activateItem,
            Qt::QueuedConnection);
        return menu;
    };
    PopupMenu1 = new TOwnerDrawnMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1, CommandMenu::Game);
    // The options menu: the mode, the three submenus, then the rest of its items.
    PopupMenu2 = new TOwnerDrawnMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    const std::span<const CommandEntry> options = CommandsOf(CommandMenu::Options);
    add(PopupMenu2, options.front());
    PopupMenu2->addSubmenu(submenu("Groesse1", "Groesse", CommandMenu::GridSizes),
        QStringLiteral("Einstellen der Spielfeldgröße"));
    PopupMenu2->addSubmenu(submenu("Animation1", "Animation", CommandMenu::Animation));
    PopupMenu2->addSubmenu(submenu("Mischen1", "Mischdauer", CommandMenu::ShuffleDurations));
    for (const CommandEntry &entry : options.subspan(1))
        add(PopupMenu2, entry);
    // The command runs once the menu has closed and its own handling is over: several
    // commands handle window events while they work.
    for (TOwnerDrawnMenu *menu : {PopupMenu1, PopupMenu2}) {
        connect(menu, &TOwnerDrawnMenu::itemChosen, this, &TTiloraForm::activateItem,
            Qt::QueuedConnection);
    }

    auto openBelow = [](TSpezialButton *button, QMenu *menu) {
        menu->popup(ScreenPoint(*button, QPoint(0, button->height())));
    };
    connect(SpezialButton5, &TSpezialButton::clicked, this,
        [this, openBelow] { openBelow(SpezialButton5, PopupMenu1); });
    connect(SpezialButton1, &TSpezialButton::clicked, this,
        [this, openBelow] { openBelow(SpezialButton1, PopupMenu2); });
    connect(SpezialButton2, &TSpezialButton::clicked, this, [this] { OpenHelp(); });

    // A right click on the clock opens the game menu where the pointer is.
    zeit->installEventFilter(new EventHook(zeit, [this](QObject *, QEvent *event) {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton
            || !zeit->rect().contains(mouse->position().toPoint()))
            return false;
        PopupMenu1->popup(mouse->globalPosition().toPoint());
        return true;
    }));

    // The window sees its keys before any of its controls, whichever has the focus.
    if (QCoreApplication *application = QCoreApplication::instance()) {
        m_keyHook = new EventHook(this, [this](QObject *watched, QEvent *event) {
            return event->type() == QEvent::KeyPress && previewKey(watched, event);
        });
        application->installEventFilter(m_keyHook);
    }
}

void TTiloraForm::activateItem(QAction *item)
{
    const int index = item ? item->data().toInt() : -1;
    if (index >= 0 && index < int(Commands().size()))
        run(Commands()[size_t(index)]);
}

void TTiloraForm::run(const CommandEntry &entry)
{
    switch (entry.command) {
    case Command::Shuffle:
        return Spielstarten1Click();
    case Command::LoadPicture:
        return Bildladen1Click();
    case Command::Motif:
        return Bild1Click(entry.value);
    case Command::Solution:
        return m_game.toggleSolutionView();
    case Command::Cheat:
        return m_game.toggleCheatView();
    case Command::Highscore:
        return Highscore1Click();
    case Command::Pause:
        return m_game.togglePause();
    case Command::PictureMode:
        return build(m_game.togglePictureMode());
    case Command::GridSize:
        return N201Click(entry.value);
    case Command::AnimationSpeed:
        return schnell1Click(entry.value);
    case Command::ShuffleDuration:
        return selbst1Click(entry.value);
    case Command::TileFrames:
        return m_game.toggleTileFrames();
    case Command::Transparent:
        // While paused or mixed out of sight the outline keeps the board hidden; the change
        // shows when the board does.
        return m_game.toggleTransparent();
    case Command::EditSettings:
        return Einstellungen1Click();
    }
}

bool TTiloraForm::previewKey(QObject *watched, QEvent *event)
{
    // Only the key's way through the widgets counts, so that each press is seen once: the
    // window system hands it to the window handle before that.
    // The window's keys also act from the solution window, which the game shows by itself,
    // but only while the player sees the game.
    if (!watched->isWidgetType() || !m_game.takesKeys())
        return false;
    const QWidget *window = static_cast<QWidget *>(watched)->window();
    const QWidget *solution = m_windows.preview.made();
    const bool ours = window == this || (solution && window == solution);
    const auto *key = static_cast<QKeyEvent *>(event);
    // While a shuffle waits for the player, Return, Space and Esc are the start window's click,
    // whichever of the game's windows has the keys.
    if (TForm3 *start = m_windows.start.made();
        start && start->isVisible() && (ours || window == start)) {
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_Escape:
            start->Panel1Click();
            return true;
        }
    }
    if (!ours)
        return false;
    // A key held down acts once; its repeats are not new presses.
    if (key->isAutoRepeat())
        return false;
    // The keys of what has no item: the two menus, as their buttons open them (F10 the game
    // menu, Shift+F10 and the menu key the options menu), putting the window away and ending
    // the game, also where no window manager does either.
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    const bool control = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        == Qt::ControlModifier;
    if (key->key() == Qt::Key_F10 || key->key() == Qt::Key_Menu) {
        const bool game = key->key() == Qt::Key_F10 && !shift;
        TSpezialButton *button = game ? SpezialButton5 : SpezialButton1;
        (game ? PopupMenu1 : PopupMenu2)->popup(ScreenPoint(*button, QPoint(0, button->height())));
        return true;
    }
    if (control && (key->key() == Qt::Key_M || key->key() == Qt::Key_Q)) {
        key->key() == Qt::Key_M ? HideToTray() : void(close());
        return true;
    }
    if (FormKeyDown(key->key()))
        return true;
    // With Ctrl, Alt or Meta a letter is no typed character.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString text = key->text();
    return text.size() == 1 && FormKeyPress(text.front());
}

bool TTiloraForm::FormKeyDown(int key)
{
    if (key == Qt::Key_F1) {
        OpenHelp();
        return true;
    }
    // The arrow keys, on the keypad too, move the tile beside the free cell into it, the
    // way the key points.
    static const QList<std::pair<int, QPoint>> arrows {{Qt::Key_Left, QPoint(-1, 0)},
        {Qt::Key_Right, QPoint(1, 0)}, {Qt::Key_Up, QPoint(0, -1)}, {Qt::Key_Down, QPoint(0, 1)}};
    for (const auto &[arrow, direction] : arrows) {
        if (arrow == key) {
            m_game.pressArrow(direction);
            return true;
        }
    }
    const CommandEntry *entry = isFunctionKey(key) ? CommandOfKey(key) : nullptr;
    if (entry)
        run(*entry);
    return entry;
}

bool TTiloraForm::FormKeyPress(QChar key)
{
    const int upper = key.toUpper().unicode();
    const CommandEntry *entry = isFunctionKey(upper) ? nullptr : CommandOfKey(upper);
    if (entry)
        run(*entry);
    return entry;
}

void TTiloraForm::Highscore1Click()
{
    m_windows.highscore().showModal(QRect(RealWindowPosition(*this), size()));
}

void TTiloraForm::OpenHelp()
{
    // Beside the program, wherever it was started from, or in its install's share folder.
    const QString path = helpFileOfThisProgram();
    if (!QFileInfo::exists(path) || !hooks.openDocument)
        return;
    hooks.openDocument(path);
}

void TTiloraForm::schnell1Click(int speed)
{
    m_game.setAnimationSpeed(speed);
}

void TTiloraForm::selbst1Click(int duration)
{
    m_game.setShuffleDuration(duration);
    Spielstarten1Click();
}

void TTiloraForm::Einstellungen1Click()
{
    TEinstellungen &dialog = m_windows.settings();
    if (dialog.isVisible())
        return;
    dialog.setCheatView(m_game.cheatView());
    if (const std::optional<Settings> edited = dialog.EditSettings(m_game.settings()))
        build(m_game.applySettings(*edited, dialog.cheatView()));
}

void TTiloraForm::HideToTray()
{
    if (!m_look.mayHide)
        return;
    if (!TrayIcon::available()) {
        // No notification area on this desktop: the task bar keeps the way back, where
        // there is a window manager to minimise the window.
        showMinimized();
        return;
    }
    hide();
    if (!m_trayIcon) {
        m_trayIcon = new TrayIcon(this, this);
        connect(m_trayIcon, &TrayIcon::restoreRequested, this, &TTiloraForm::RestoreFromTray);
    }
    m_trayIcon->show();
}

void TTiloraForm::RestoreFromTray()
{
    if (m_trayIcon)
        m_trayIcon->remove();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// Menu items, the two popup menus, the keys, the caption buttons and the help. The items'
// check marks hold the state of the on/off options; the menus, the keys and the settings
// dialog all go through the same handlers.

#include "main/HauptFenster.h"

#include "desktop/DocumentViewer.h"
#include "app/TiloraApplication.h"
#include "controls/OwnerDrawnMenu.h"
#include "controls/SpezialButton.h"
#include "logic/FileLocations.h"
#include "logic/PictureDecoding.h"
#include "windows/SecondaryWindows.h"
#include "desktop/WindowPlacement.h"
#include "windows/bildfenster.h"
#include "windows/highscorefenster.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

namespace {

// Lets a function see the events of another object.
class EventHook : public QObject
{
public:
    using Handler = std::function<bool(QObject *watched, QEvent *event)>;

    EventHook(QObject *parent, Handler handler)
        : QObject(parent)
        , m_handler(std::move(handler))
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override { return m_handler(watched, event); }

private:
    Handler m_handler;
};

QString keyText(int key)
{
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

QAction *makeItem(QObject *owner, const char *name, const QString &caption, bool checkable,
    const QString &hint = QString())
{
    auto *item = new QAction(caption, owner);
    item->setObjectName(QLatin1String(name));
    item->setCheckable(checkable);
    if (!hint.isEmpty())
        item->setStatusTip(hint);
    return item;
}

} // namespace

QString TTiloraForm::pictureFileFilter()
{
    // The first pair offers every kind the game reads here; the classic ones follow, then those
    // the toolkit reads.
    QStringList every {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.bmp"),
        QStringLiteral("*.ico"), QStringLiteral("*.emf"), QStringLiteral("*.wmf")};
    QString further;
    for (const PictureFormat &format : FurtherPictureFormats()) {
        every += format.patterns;
        further += u'|' + format.description + u'|' + format.patterns.join(u';');
    }
    const QString all = every.join(u';');
    return QStringLiteral("Alle Dateien (%1)|%1|").arg(all)
        + QStringLiteral(
            "JPEG Bilddatei (*.jpg)|*.jpg|JPEG Bilddatei (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
            "Symbole (*.ico)|*.ico|Erweiterte Metadateien (*.emf)|*.emf|Metadateien (*.wmf)|*.wmf")
        + further;
}

void TTiloraForm::createMenuItems()
{
    // Game menu.
    Spielmischen1 = makeItem(this, "Spielmischen1", QStringLiteral("Spiel mischen    "), false,
        QStringLiteral("Startet das Spiel"));
    Bildladen1 = makeItem(
        this, "Bildladen1", QStringLiteral("Bild laden"), false, QStringLiteral("Lädt ein Bild "));
    Bild1 = makeItem(this, "Bild1", QStringLiteral("Motiv A"), true);
    Bild2 = makeItem(this, "Bild2", QStringLiteral("Motiv B"), true);
    auto *motifGroup = new QActionGroup(this);
    motifGroup->addAction(Bild1);
    motifGroup->addAction(Bild2);
    Bild1->setChecked(true);
    for (QAction *item : {Bild1, Bild2}) {
        item->setVisible(false);
        item->setEnabled(false);
    }
    Vorschau1 = makeItem(this, "Vorschau1", QStringLiteral("Lösung anzeigen     "), true,
        QStringLiteral("Zeigt das Originalbild an"));
    Schummeln1 = makeItem(this, "Schummeln1", QStringLiteral("Schummeln"), true);
    Highscore1 = makeItem(this, "Highscore1", QStringLiteral("Highscore"), false);
    Pause1 = makeItem(this, "Pause1", QStringLiteral("Pause"), true);

    // Options menu.
    Text1 = makeItem(this, "Text1", QStringLiteral("Text"), false);
    auto *gridSizeGroup = new QActionGroup(this);
    static const char *const gridNames[]
        = {"N41", "N51", "N61", "N71", "N81", "N91", "N101", "N111", "N121"};
    static const char *const gridCaptions[]
        = {"4×4  ", "5×5  ", "6×6", "7×7", "8×8", "9×9", "10×10", "11×11", "12×12  "};
    for (int size = MinGridSize; size <= MaxGridSize; ++size) {
        const int index = size - MinGridSize;
        QAction *item = makeItem(this, gridNames[index], QString::fromUtf8(gridCaptions[index]),
            true, QStringLiteral("Neue Spielfeldgröße"));
        item->setData(size);
        gridSizeGroup->addAction(item);
        GridSizeItems[index] = item;
    }

    AnimationGroup = new QActionGroup(this);
    keine1 = makeItem(this, "keine1", QStringLiteral("keine  "), true);
    langsam1 = makeItem(this, "langsam1", QStringLiteral("langsam   "), true);
    schnell1 = makeItem(this, "schnell1", QStringLiteral("schnell  "), true);
    int tag = 0;
    for (QAction *item : {keine1, langsam1, schnell1}) {
        item->setData(tag++);
        AnimationGroup->addAction(item);
    }
    keine1->setChecked(true);

    ShuffleDurationGroup = new QActionGroup(this);
    wenig1 = makeItem(this, "wenig1", QStringLiteral("kurz"), true);
    mittel1 = makeItem(this, "mittel1", QStringLiteral("mittel"), true);
    lang1 = makeItem(this, "lang1", QStringLiteral("lang"), true);
    extremlang1 = makeItem(this, "extremlang1", QStringLiteral("extrem lang"), true);
    selbst1 = makeItem(this, "selbst1", QStringLiteral("selbst bestimmen   "), true);
    tag = 1;
    for (QAction *item : {wenig1, mittel1, lang1, extremlang1}) {
        item->setData(tag++);
        ShuffleDurationGroup->addAction(item);
    }
    selbst1->setData(0);
    ShuffleDurationGroup->addAction(selbst1);
    selbst1->setChecked(true);

    Steineumrahmen1
        = makeItem(this, "Steineumrahmen1", QStringLiteral("Steine umrahmen     "), true);
    Transparenz1 = makeItem(this, "Transparenz1", QStringLiteral("Transparenz"), true,
        QStringLiteral("Freie Stellen werden Transparent dargestellt"));
    Einstellungen1 = makeItem(this, "Einstellungen1", QStringLiteral("Einstellungen..."), false);

    createMenus();
}

namespace {

// The keys of the menu items: the menus draw them, the key handlers act on them.
QList<std::pair<int, QAction *>> itemKeys(const TTiloraForm &form)
{
    return {{Qt::Key_F2, form.Spielmischen1}, {Qt::Key_F3, form.Bildladen1},
        {Qt::Key_F4, form.Vorschau1}, {Qt::Key_F5, form.Schummeln1}, {Qt::Key_F6, form.Text1},
        {Qt::Key_F7, form.Steineumrahmen1}, {Qt::Key_F8, form.Transparenz1},
        {Qt::Key_F9, form.Einstellungen1}, {Qt::Key_A, form.Bild1}, {Qt::Key_B, form.Bild2},
        {Qt::Key_H, form.Highscore1}, {Qt::Key_P, form.Pause1}};
}

bool isFunctionKey(int key)
{
    return key >= Qt::Key_F1 && key <= Qt::Key_F35;
}

} // namespace

void TTiloraForm::createMenus()
{
    m_itemHandlers = {
        {Spielmischen1, [this] { Spielstarten1Click(); }},
        {Bildladen1, [this] { Bildladen1Click(); }},
        {Bild1, [this] { Bild1Click(Bild1); }},
        {Bild2, [this] { Bild1Click(Bild2); }},
        {Vorschau1, [this] { Vorschau1Click(); }},
        {Schummeln1, [this] { Schummeln1Click(); }},
        {Highscore1, [this] { Highscore1Click(); }},
        {Pause1, [this] { Pause1Click(); }},
        {Text1, [this] { Text1Click(); }},
        {Steineumrahmen1, [this] { SteinRahmenClick(); }},
        {Transparenz1, [this] { Transparenz1Click(); }},
        {Einstellungen1, [this] { Einstellungen1Click(); }},
    };
    for (QAction *item : GridSizeItems)
        m_itemHandlers.insert(item, [this, item] { N201Click(item); });
    for (QAction *item : AnimationGroup->actions())
        m_itemHandlers.insert(item, [this, item] { schnell1Click(item); });
    for (QAction *item : ShuffleDurationGroup->actions())
        m_itemHandlers.insert(item, [this, item] { selbst1Click(item); });

    const QList<std::pair<int, QAction *>> keys = itemKeys(*this);
    auto keyOf = [&keys](const QAction *item) {
        for (const auto &[key, keyed] : keys) {
            if (keyed == item)
                return keyText(key);
        }
        return QString();
    };
    auto fill = [&keyOf](TOwnerDrawnMenu *menu, std::initializer_list<QAction *> items) {
        for (QAction *item : items)
            menu->addItem(item, keyOf(item));
    };

    PopupMenu1 = new TOwnerDrawnMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    fill(PopupMenu1,
        {Spielmischen1, Bildladen1, Bild1, Bild2, Vorschau1, Schummeln1, Highscore1, Pause1});

    PopupMenu2 = new TOwnerDrawnMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    fill(PopupMenu2, {Text1});
    auto *groesse1 = new TOwnerDrawnMenu(QStringLiteral("Groesse"), PopupMenu2);
    groesse1->setObjectName(QStringLiteral("Groesse1"));
    for (QAction *item : GridSizeItems)
        groesse1->addItem(item);
    PopupMenu2->addSubmenu(groesse1, QStringLiteral("Einstellen der Spielfeldgröße"));
    auto *animation1 = new TOwnerDrawnMenu(QStringLiteral("Animation"), PopupMenu2);
    animation1->setObjectName(QStringLiteral("Animation1"));
    fill(animation1, {keine1, langsam1, schnell1});
    PopupMenu2->addSubmenu(animation1);
    auto *mischen1 = new TOwnerDrawnMenu(QStringLiteral("Mischdauer"), PopupMenu2);
    mischen1->setObjectName(QStringLiteral("Mischen1"));
    fill(mischen1, {wenig1, mittel1, lang1, extremlang1, selbst1});
    PopupMenu2->addSubmenu(mischen1);
    fill(PopupMenu2, {Steineumrahmen1, Transparenz1, Einstellungen1});

    // The command runs once the menu has closed and its own handling is over: several
    // commands handle window events while they work.
    for (TOwnerDrawnMenu *menu : {PopupMenu1, PopupMenu2, groesse1, animation1, mischen1}) {
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

    // Where the desktop has no viewer for it, the help shows in a window of the game's own.
    openDocument = [this](const QString &path) {
        OpenDocument(path, this, [this, path] { ShowDocumentWindow(path, this); });
    };
}

void TTiloraForm::activateItem(QAction *item)
{
    // A copy: the command may change the table it came from.
    const std::function<void()> command = m_itemHandlers.value(item);
    if (command)
        command();
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
    for (const auto &[itemKey, item] : itemKeys(*this)) {
        if (itemKey == key && isFunctionKey(itemKey)) {
            activateItem(item);
            return true;
        }
    }
    return false;
}

bool TTiloraForm::FormKeyPress(QChar key)
{
    const int upper = key.toUpper().unicode();
    for (const auto &[itemKey, item] : itemKeys(*this)) {
        if (itemKey == upper && !isFunctionKey(itemKey)) {
            activateItem(item);
            return true;
        }
    }
    return false;
}

void TTiloraForm::Highscore1Click()
{
    m_windows.highscore().showModal(QRect(RealWindowPosition(*this), size()));
}

QString TTiloraForm::helpFilePath()
{
    // Beside the program, wherever it was started from, or in its install's share folder.
    return helpFileOfThisProgram();
}

void TTiloraForm::OpenHelp()
{
    const QString path = helpFilePath();
    if (!QFileInfo::exists(path) || !openDocument)
        return;
    openDocument(path);
}

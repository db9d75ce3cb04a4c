#pragma once

#include "logic/BoardLogic.h"
#include "logic/BoardLook.h"
#include "logic/Game.h"
#include "logic/PictureDecoding.h"

#include <QCursor>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QTimer;
class TFormRegion;
class TOwnerDrawnMenu;
class TPanel;
class TSpezialButton;
class TTiloraStein;
class TrayIcon;
struct CommandEntry;
struct SecondaryWindows;

// The main window: the board, its frame and caption buttons. It shows the game (m_game,
// logic/Game.h), which owns the flow and the rules, as the look the game presents
// (logic/BoardLook.h), and it forwards the player's input and the window system's events to
// the game. Its methods are spread over several files:
//   HauptFenster.cpp          creation, showing a look, event routing, closing
//   HauptFensterBoard.cpp     carrying out board builds: the picture, the tiles
//   HauptFensterMoves.cpp     the shuffle's loop, presses, the slide's frames, magnifier, pointers
//   HauptFensterCommands.cpp  menus, keys and the commands they run, the settings dialog
//
// Controls, items and timers carry object names, by which tests find them.
class TTiloraForm : public QWidget
{
    Q_OBJECT

public:
    // Where the window reaches the system; tests put their own in.
    struct SystemHooks
    {
        // Chooses the file of "Bild laden"; empty when cancelled.
        std::function<QString(QWidget *parent)> choosePictureFile;
        // Moves the mouse pointer to a point on the screen.
        std::function<void(QPoint)> movePointer;
        // The window's pixels as they show on screen (desktop seen through the free slot
        // included); a null image when the screen cannot be read.
        std::function<QImage(const QRect &windowRect)> grabScreen;
        // Hands a document to the desktop's viewer without waiting for it, or shows it in a
        // window of the game's own where the desktop has no viewer for it.
        std::function<void(const QString &path)> openDocument;
    };

    // settingsFile: where "tilora.ini" lives, decided once at start-up. windows: the other
    // windows, made as they are first needed.
    TTiloraForm(const QString &settingsFile, SecondaryWindows &windows, QWidget *parent = nullptr);
    ~TTiloraForm() override;

    Game &game() { return m_game; }
    const Game &game() const { return m_game; }
    // The picture scaled to the board, as the solution window shows it; tiles are cut from it.
    const QPixmap &boardPicture() const { return m_boardPicture; }
    // Opens the help document (F1, "?", and by itself at the first start); a missing document
    // is not reported.
    void OpenHelp();
    void RestoreFromTray();

    SystemHooks hooks;

signals:
    // The window is closing: the settings are being written, the farewell window follows.
    void closing();
    // The closing window has written its settings (or reported why it could not).
    void settingsWritten();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    // Runs an item's command, as choosing it in its menu or pressing its key does, whether
    // the item is shown and enabled or not.
    void activateItem(QAction *item);
    void Spielstarten1Click(); // shuffles, handling window events between line moves
    void Bildladen1Click();
    void Bild1Click(int motif);
    void N201Click(int gridSize);
    void schnell1Click(int speed);
    void selbst1Click(int duration);
    void Einstellungen1Click();
    void Highscore1Click();
    void HideToTray();
    void SekundenZaehlerTimer();
    void AnimTimerTimer();
    void BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position);
    void BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position);
    void BoardMouseUp();

private:
    void createControls();
    void createMenus();
    bool previewKey(QObject *watched, QEvent *event);
    bool FormKeyDown(int key); // F1 .. F9 and the arrows, whatever the modifiers
    bool FormKeyPress(QChar key); // A, B, H, P in either letter case
    void run(const CommandEntry &entry);

    // Showing the game: render() shows the look the game presents now.
    void render();
    void showLook(const BoardLook &look);
    void showTiles(const BoardLook &look);
    void showEndOfGame();
    void noteSight();
    void CenterStartWindow();
    void DrawMagnifier(QPoint point);
    // Switches the program's pointer: "LUPE", "FINGER1" or "FINGER2".
    void setPointer(const QString &name);

    // Carrying out builds.
    void build(bool wanted);
    void buildBoard(const BoardBuild &build);
    void layOutBoard(const BoardBuild &build);
    bool preparePicture(const BoardBuild &build);
    QImage pictureForBoard(QSize boardSize);
    void sizeToBoard();
    void freeTiles();
    int roomForBoard() const;
    void keepOnScreen();
    void PlaceShuffleButton();
    TTiloraStein *tileOf(QObject *control) const;

    SecondaryWindows &m_windows;
    Game m_game;
    BoardLook m_look; // what the window shows
    QString m_settingsFile;

    TFormRegion *FormRegion1 = nullptr;
    QWidget *Brett = nullptr;
    QLabel *zeit = nullptr;
    TSpezialButton *SpezialButton1 = nullptr; // options menu
    TSpezialButton *SpezialButton2 = nullptr; // help
    TSpezialButton *SpezialButton3 = nullptr; // to the tray
    TSpezialButton *SpezialButton4 = nullptr; // close
    TSpezialButton *SpezialButton5 = nullptr; // game menu
    TPanel *Panel4 = nullptr; // "Mischen!"
    TPanel *Pausenpanel = nullptr;
    QTimer *SekundenZaehler = nullptr;
    QTimer *AnimTimer = nullptr;
    TOwnerDrawnMenu *PopupMenu1 = nullptr; // game menu
    TOwnerDrawnMenu *PopupMenu2 = nullptr; // options menu
    std::vector<QAction *> m_items; // one for each entry of Commands()

    // The tile widgets by their home cells, made for a board of m_tilesGridSize.
    std::array<std::array<TTiloraStein *, MaxGridSize>, MaxGridSize> m_tilesByHome {};
    int m_tilesGridSize = 0;
    QPixmap m_boardPicture;
    // The main window's place the start window was last centred on.
    std::optional<QPoint> m_startWindowFollows;
    KeptPicture m_keptPicture; // the chosen file's picture, from its check to its build
    QObject *m_keyHook = nullptr; // sees the keys before the window's controls
    QString m_pointer;
    QHash<QString, QCursor> m_pointers;
    TrayIcon *m_trayIcon = nullptr;
};

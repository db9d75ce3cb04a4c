#pragma once

#include "logic/BoardLogic.h"
#include "logic/Game.h"
#include "logic/PictureDecoding.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class TFormRegion;
class TPanel;
class TSpezialButton;
class TTiloraStein;
struct SecondaryWindows;

// The main window: the board, its frame and caption buttons. It shows the game (m_game,
// logic/Game.h), which owns the flow and decides every rule, and it forwards the player's
// input and the window system's events to it. Its methods are spread over several files:
//   HauptFenster.cpp          creation, showing the game, event routing, closing
//   HauptFensterBoard.cpp     carrying out board builds: the picture, the tiles
//   HauptFensterShuffle.cpp   the shuffle's loop and the start window
//   HauptFensterMoves.cpp     presses, the slide's frames, magnifier, pointers
//   HauptFensterClock.cpp     the clock, the end of a game, cheating, pause, solution window
//   HauptFensterDisplay.cpp   tile frames, the transparent free slot, the menu marks
//   HauptFensterTray.cpp      hiding in the notification area, out of sight
//   HauptFensterMenus.cpp     menu items and keys
//   HauptFensterDialog.cpp    the settings dialog
//   HauptFensterSettings.cpp  the settings file
//
// Where the game does the work a handler of old did: the completion test after every move
// (CheckCompletion) and the one-cell step of the free slot (StepFreeSlot) are the game's
// (Game::pressTile, Puzzle::stepFreeSlot); the picture mode (SetPictureMode) is the game's
// setting, its menu state is shown by updateMarks; Random is the game's generator.
class TTiloraForm : public QWidget
{
    Q_OBJECT

public:
    // settingsFile: where "tilora.ini" lives, decided once at start-up. windows: the other
    // windows, made as they are first needed; they outlive the main window's use of them.
    explicit TTiloraForm(
        const QString &settingsFile, SecondaryWindows &windows, QWidget *parent = nullptr);
    ~TTiloraForm() override;

    // ---- the game, shown by the window
    Game &game() { return m_game; }
    const Game &game() const { return m_game; }
    // The tile widgets, looked up by cell: TileGrid[column][row].
    using Grid = std::array<std::array<TTiloraStein *, MaxGridSize>, MaxGridSize>;
    const Grid &TileGrid() const { return m_tileGrid; }
    bool settingsFileExisted() const { return m_settingsFileExisted; }

    // ---- controls
    TFormRegion *FormRegion1 = nullptr;
    QWidget *Brett = nullptr;
    QLabel *zeit = nullptr;
    TSpezialButton *SpezialButton1 = nullptr;
    TSpezialButton *SpezialButton2 = nullptr;
    TSpezialButton *SpezialButton3 = nullptr;
    TSpezialButton *SpezialButton4 = nullptr;
    TSpezialButton *SpezialButton5 = nullptr;
    TPanel *Panel4 = nullptr;
    TPanel *Pausenpanel = nullptr;
    QTimer *SekundenZaehler = nullptr;
    QTimer *AnimTimer = nullptr;
    // The picture scaled to the board, as the solution window shows it; tiles are cut from it.
    const QPixmap &boardPicture() const { return m_boardPicture; }

    // ---- menu items; their check marks show the game's options
    QAction *Spielmischen1 = nullptr;
    QAction *Bildladen1 = nullptr;
    QAction *Bild1 = nullptr;
    QAction *Bild2 = nullptr;
    QAction *Vorschau1 = nullptr;
    QAction *Schummeln1 = nullptr;
    QAction *Highscore1 = nullptr;
    QAction *Pause1 = nullptr;
    QAction *Text1 = nullptr;
    std::array<QAction *, MaxGridSize - MinGridSize + 1> GridSizeItems {}; // N41 .. N121
    QAction *keine1 = nullptr;
    QAction *langsam1 = nullptr;
    QAction *schnell1 = nullptr;
    QAction *selbst1 = nullptr;
    QAction *wenig1 = nullptr;
    QAction *mittel1 = nullptr;
    QAction *lang1 = nullptr;
    QAction *extremlang1 = nullptr;
    QAction *Steineumrahmen1 = nullptr;
    QAction *Transparenz1 = nullptr;
    QAction *Einstellungen1 = nullptr;
    QActionGroup *AnimationGroup = nullptr;
    QActionGroup *ShuffleDurationGroup = nullptr;

    // ---- board building
    // Builds the board anew (a build asked for meanwhile is merged into it).
    void RebuildBoard();
    void PlaceShuffleButton();
    void N201Click(QAction *item); // every grid-size item
    void Text1Click();
    void Bildladen1Click();
    void Bild1Click(QAction *item); // "Motiv A", "Motiv B", keys A and B
    // Lays the board out with square tiles of a new size, keeping the arrangement and the game.
    void ApplyTileSize(int size);
    // Chooses the file of "Bild laden"; empty when cancelled. Tests replace it.
    std::function<QString(QWidget *parent)> choosePictureFile;
    // Moves the mouse pointer to a point on the screen. Tests replace it.
    std::function<void(QPoint)> movePointer;

    // ---- shuffling
    // Shuffles, handling window events between line moves, until the game has begun or the
    // shuffle was ended otherwise.
    void StartShuffle();
    void CenterStartWindow();
    void selbst1Click(QAction *item); // every "Mischdauer" item
    void Spielstarten1Click();
    void Panel4Click();
    void SetShuffleDuration(int duration);

    // ---- moves and animation
    void BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position);
    void BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position);
    void BoardMouseUp(QObject *sender, Qt::MouseButton button, QPoint position);
    void AnimTimerTimer();
    void DrawMagnifier(QPoint point);
    void schnell1Click(QAction *item); // every "Animation" item
    void SetAnimationSpeed(int speed);
    // Switches the program's pointer: "LUPE", "FINGER1" or "FINGER2".
    void setPointer(const QString &name);
    QString pointerName() const { return m_pointer; }
    // The window's pixels as they show on screen (desktop seen through the free slot
    // included); a null image when the screen cannot be read. Tests replace it.
    std::function<QImage(const QRect &windowRect)> grabScreen;

    // ---- clock, end of a game, cheating, pause, solution window
    void SekundenZaehlerTimer();
    void Schummeln1Click();
    void Pause1Click();
    void PausenpanelClick();
    void Vorschau1Click();

    // ---- display options
    void SteinRahmenClick();
    void Transparenz1Click();

    // ---- notification area
    void HideToTray();
    void RestoreFromTray();

    // ---- menus, keys and help (HauptFensterMenus.cpp)
    class TOwnerDrawnMenu *PopupMenu1 = nullptr; // game menu
    class TOwnerDrawnMenu *PopupMenu2 = nullptr; // options menu
    // Runs an item's command, as choosing it in its menu or pressing its key does, whether
    // the item is shown and enabled or not. Nothing else toggles a check item's mark.
    void activateItem(QAction *item);
    // The window's key handlers, which see every key before the window's controls; each
    // returns whether the key was one of the window's.
    bool FormKeyDown(int key); // F1 .. F9 and the arrows, whatever the modifiers
    bool FormKeyPress(QChar key); // A, B, H, P in either letter case
    void Highscore1Click();
    // Opens the help document of the program (F1, "?", and by itself at the first start); a
    // missing document is not reported.
    void OpenHelp();
    static QString helpFilePath();
    // Hands a document to the desktop's viewer without waiting for it, or shows it in a window
    // of the game's own where the desktop has no viewer for it. Tests replace it.
    std::function<void(const QString &path)> openDocument;

    // ---- settings dialog (HauptFensterDialog.cpp)
    // Opens the settings dialog (item "Einstellungen...", key F9) and applies what it returns.
    void Einstellungen1Click();

    // ---- settings file (HauptFensterSettings.cpp)
    // Reads every key of the settings file (part of the window's creation).
    void ReadSettings();
    // Writes the settings back; a file that cannot be written is reported once.
    void WriteSettings();

    // ---- outline
    QString outline() const;
    // Sets the outline the game gives for its state and the window's size: the one place
    // where the window's outline is set.
    void UpdateOutline();

    static QString pictureFileFilter();

signals:
    // The board was built anew (all earlier tiles are gone).
    void boardRebuilt();
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

private:
    void createControls();
    void createMenuItems();
    void createMenus();
    bool previewKey(QObject *watched, QEvent *event);

    // Showing the game.
    void render();
    void renderTiles();
    void updateMarks();
    void applyOptionToTiles();
    void applyBoardFont();
    void showEndOfGame();
    void noteSight();

    // Carrying out builds.
    void build(bool wanted);
    void buildBoard(const BoardBuild &build);
    void layOutBoard(const BoardBuild &build);
    bool preparePicture(const BoardBuild &build);
    QImage pictureForBoard(QSize boardSize);
    void sizeToBoard();
    void freeTiles();
    int roomForBoard() const;
    QRect screenArea() const;
    void keepOnScreen();

    void placeTopRightButtons();
    TTiloraStein *tileOf(QObject *control) const;

    SecondaryWindows &m_windows;
    Game m_game;
    QString m_settingsFile;
    bool m_settingsFileExisted = false;
    Grid m_tileGrid {};
    Grid m_tilesByHome {}; // the tile widgets by their home cells
    int m_tilesGridSize = 0; // the board size the tile widgets were made for
    QPixmap m_boardPicture;
    // The main window's place the start window was last centred on.
    std::optional<QPoint> m_startWindowFollows;
    KeptPicture m_keptPicture; // the chosen file's picture, from its check to its build
    QHash<QAction *, std::function<void()>> m_itemHandlers;
    QObject *m_keyHook = nullptr; // sees the keys before the window's controls
    // Distance of the right-anchored caption buttons to the right edge.
    std::array<int, 3> m_buttonRightDistance {};
    QString m_pointer;
    QHash<QString, QCursor> m_pointers;
    class TrayIcon *m_trayIcon = nullptr;
};

#pragma once

#include "logic/BoardLogic.h"
#include "logic/PictureDecoding.h"
#include "logic/Puzzle.h"
#include "logic/Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QColor>
#include <QCursor>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <vector>

class TAboutBox;
class TEinstellungen;
class TForm2;
class TForm3;
class TFormRegion;
class THighscore;
class TMeldung;
class TPanel;
class TPieceImage;
class TSpezialButton;
class TTiloraStein;
class TVorschauFenster;

// The main window: the board, its frame and caption buttons, and all game state.
// Its methods are spread over several files, one concern each:
//   HauptFenster.cpp          creation, painting, event routing, first showing, closing
//   HauptFensterBoard.cpp     building the board from a picture
//   HauptFensterShuffle.cpp   shuffling
//   HauptFensterMoves.cpp     moving tiles, animation, magnifier, pointers
//   HauptFensterClock.cpp     clock, completion, cheating, pause, solution window
//   HauptFensterDisplay.cpp   tile frames and the transparent free slot
//   HauptFensterTray.cpp      hiding in the notification area
//   HauptFensterMenus.cpp     menu items and keys
//
// The game is one value, m_puzzle (logic/Puzzle.h), and the stored settings another,
// m_settings; the tiles, the outline and the menu marks are derived from them.
//
// Commands that arrive while other work waits on the event loop:
//   work under way        | press on a tile   | arrow key      | shuffle request | board rebuild
//   shuffle               | ignored           | ignored        | ignored         | ends the shuffle
//   slide (animation)     | queued, at most   | queued, as a   | ends the slide  | ends the slide,
//                         | MaxPendingPresses | press          | first           | drops the queue
//   board rebuild         | ignored           | ignored        | ignored         | merged into one
//                         |                   |                |                 | more build
//   end of a game         | ignored           | ignored        | ignored         | runs
//   pause                 | ignored           | ignored        | ends the pause  | ends the pause
// Closing ends every one of them. Nothing waits inside itself: a queued press runs when the
// slide has ended, a merged build when the build under way is done.
class TTiloraForm : public QWidget
{
    Q_OBJECT

public:
    explicit TTiloraForm(QWidget *parent = nullptr);
    ~TTiloraForm() override;

    // The other windows, created after the main window; any may still be missing.
    struct Windows
    {
        TAboutBox *about = nullptr;
        TForm3 *start = nullptr;
        TForm2 *magnifier = nullptr;
        TVorschauFenster *preview = nullptr;
        TMeldung *message = nullptr;
        THighscore *highscore = nullptr;
        TEinstellungen *settings = nullptr;
    };
    void setWindows(const Windows &windows);
    const Windows &windows() const { return m_windows; }

    // ---- the game: one value, rendered by the window
    const Puzzle &puzzle() const { return m_puzzle; }
    // The settings as they would be written now: the stored values with the board size and
    // the on/off options of the game.
    Settings settings() const;
    // Takes settings as the file gives them (no rebuild: the next build shows them).
    void setSettings(const Settings &settings);
    bool isSolved() const { return m_puzzle.isSolved(); }
    bool pictureMode() const { return m_settings.pictureMode; }
    QString pictureName() const { return m_settings.pictureName; }
    void setPictureName(const QString &name) { m_settings.pictureName = name; }
    int animationSpeed() const { return m_settings.animationSpeed; }
    int shuffleDuration() const { return m_settings.shuffleDuration; }
    // The tile table, looked up by cell: TileGrid[column][row].
    using Grid = std::array<std::array<TTiloraStein *, MaxGridSize>, MaxGridSize>;
    const Grid &TileGrid() const { return m_tileGrid; }
    TTiloraStein *tileAt(QPoint cell) const { return m_tileGrid[cell.x()][cell.y()]; }

    bool BoardBuildPending = true;
    bool settingsFileExisted() const { return m_settings.fileExisted; }

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

    // ---- menu items; their check marks mirror the game's options
    QAction *Spielmischen1 = nullptr;
    QAction *Bildladen1 = nullptr;
    QAction *Bild1 = nullptr;
    QAction *Bild2 = nullptr;
    QAction *Vorschau1 = nullptr;
    QAction *Schummeln1 = nullptr;
    QAction *Highscore1 = nullptr;
    QAction *Pause1 = nullptr;
    QAction *Text1 = nullptr;
    std::array<QAction *, MaxGridSize - MinGridSize + 1> GridSizeItems{}; // N41 .. N121
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
    QActionGroup *MotifGroup = nullptr;
    QActionGroup *GridSizeGroup = nullptr;
    QActionGroup *AnimationGroup = nullptr;
    QActionGroup *ShuffleDurationGroup = nullptr;

    // ---- board building
    void RebuildBoard();
    void PreparePicture();
    void PlaceShuffleButton();
    void SetPictureMode(bool on);
    void N201Click(QAction *item); // every grid-size item
    void Text1Click();
    void Bildladen1Click();
    void Bild1Click(); // "Motiv A" and key A
    void Bild2Click(); // "Motiv B" and key B

    // Chooses the file of "Bild laden"; empty when cancelled. Tests replace it.
    std::function<QString(QWidget *parent)> choosePictureFile;
    // Moves the mouse pointer to a point on the screen. Tests replace it.
    std::function<void(QPoint)> movePointer;

    // ---- shuffling
    void StartShuffle();
    // Begins a game on the board as it stands, as the end of a shuffle does: the clock runs
    // from 0 and the board takes presses.
    void startGame();
    void CenterStartWindow();
    void selbst1Click(QAction *item); // every "Mischdauer" item
    void Spielstarten1Click();
    void Panel4Click();
    void SetShuffleDuration(int duration);
    bool isShuffling() const { return m_shuffling; }
    int shuffleStepCount() const { return m_shuffleSteps; }
    // Uniform in 0 .. n - 1, from the generator seeded once at start-up.
    int Random(int n);
    void seedRandom(quint32 seed);

    // ---- moves and animation
    // The slide under way, if any, and its frame (0 until the first tick).
    const std::optional<LineMove> &slide() const { return m_slide; }
    int AnimationFrame = 0;
    // Presses that arrived during a slide wait here, the latest first; a few at most.
    static constexpr int MaxPendingPresses = 3;
    int pendingPressCount() const { return int(m_pendingPresses.size()); }
    void BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position);
    void BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position);
    void BoardMouseUp(QObject *sender, Qt::MouseButton button, QPoint position);
    void StepFreeSlot(int dx, int dy);
    // An arrow key: the tile beside the free cell moves into it in that direction, as a
    // press on it does.
    void MoveByKey(QPoint direction);
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

    // ---- clock, completion, cheating, pause, solution window
    void SekundenZaehlerTimer();
    void CheckCompletion();
    void Schummeln1Click();
    void Pause1Click();
    void PausenpanelClick();
    void Vorschau1Click();
    bool isClockRunning() const { return SekundenZaehler->isActive(); }
    // Enters a solved, honest game's time into the high score table.
    std::function<void(const QString &timeText)> addResult;

    // ---- display options
    void SteinRahmenClick();
    void Transparenz1Click();

    // ---- notification area
    void HideToTray();
    void RestoreFromTray();

    // ---- menus, keys and help (HauptFensterMenus.cpp)
    class TOwnerDrawnMenu *PopupMenu1 = nullptr; // game menu
    class TOwnerDrawnMenu *PopupMenu2 = nullptr; // options menu
    class TOwnerDrawnMenu *Groesse1 = nullptr; // grid sizes, in the options menu
    class TOwnerDrawnMenu *Animation1 = nullptr;
    class TOwnerDrawnMenu *Mischen1 = nullptr; // shuffle lengths
    // Runs an item's command, as choosing it in its menu or pressing its key does, whether
    // the item is shown and enabled or not. Nothing else toggles a check item's mark.
    void activateItem(QAction *item);
    // The window's key handlers, which see every key before the window's controls; each
    // returns whether the key was one of the window's.
    bool FormKeyDown(int key); // F1 .. F9, whatever the modifiers
    bool FormKeyPress(QChar key); // A, B, H, P in either letter case
    void Highscore1Click();
    // Opens the help document of the program in the desktop's viewer; a missing
    // document or viewer is not reported.
    void OpenHelp();
    static QString helpFilePath();
    // Hands a document to the desktop's viewer without waiting for it. Tests replace it.
    std::function<void(const QString &path)> openDocument;
    // Shows the high score window modally; set up by the high score window.
    std::function<void()> showHighscores;

private:
    void createMenus();
    bool previewKey(QObject *watched, QEvent *event);
    QHash<QAction *, std::function<void()>> m_itemHandlers;
    QObject *m_keyHook = nullptr; // sees the keys before the window's controls

public:

    // ---- settings dialog (HauptFensterDialog.cpp)
    // Opens the settings dialog (item "Einstellungen...", key F9) and applies what it returns.
    void Einstellungen1Click();
    // Brings the board to square tiles of a new size, keeping the arrangement and the game.
    void ApplyTileSize(int size);

    // ---- settings file and lifecycle (HauptFensterSettings.cpp)
    // "tilora.ini", beside the program or per user (see logic/FileLocations.h).
    static QString settingsFilePath();
    // Tests keep their settings files in a folder of their own. Empty: the usual place.
    static void setSettingsFolder(const QString &folder);
    // Reads every key of the settings file and applies it (part of the window's creation).
    void ReadSettings();
    // Writes the settings back; a file that cannot be written is reported once.
    void WriteSettings();
    // ---- outline
    QString outline() const;
    // Sets the outline that the game's state and the board's view give: the one place where
    // the window's outline is set.
    void UpdateOutline();

    // The cell of a board point, or (-1, -1).
    QPoint cellOfTile(const TTiloraStein *tile) const;
    TTiloraStein *tileOf(QObject *control) const;

    static QString pictureFileFilter();

signals:
    // The board was built anew (all earlier tiles are gone).
    void boardRebuilt();
    // A shuffle ended and the clock started.
    void gameStarted();
    // A press moved tiles: the free cell went from `from` to `to`.
    void tilesMoved(QPoint from, QPoint to);
    // A game was solved (before the message window shows).
    void gameSolved();
    // The window is closing: the settings are being written, the farewell window follows.
    void closing();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createMenuItems();
    void freeTiles();
    void placeTopRightButtons();
    QImage pictureForBoard(QSize boardSize);
    void placeTileAtCell(int col, int row);
    void finishAnimation();
    void endPause();
    bool boardTakesPresses() const;
    void runPress(QPointer<QObject> control, QPoint keyDirection = QPoint());
    void pressOrQueue(QObject *control, QPoint keyDirection);
    void runPendingPresses();
    void rebuildNow();
    void updateMarks();
    void syncTileGrid();
    void applyBoardFont();
    void applyOptionToTiles();
    void placeAllTiles();
    void setPhase(GamePhase phase);
    QRect screenArea() const;
    int fittingTileSize(int tileSize) const;
    void keepOnScreen();

    Windows m_windows;
    Puzzle m_puzzle;
    Settings m_settings; // the stored values; the options live in the game
    Grid m_tileGrid{};
    Grid m_tilesByHome{}; // the tile widgets by their home cells
    std::optional<LineMove> m_slide;
    struct PendingPress
    {
        QPointer<QObject> control; // the pressed control, or none for a key
        quint64 generation = 0;
        QPoint keyDirection;
    };
    std::vector<PendingPress> m_pendingPresses;
    bool m_runningPresses = false;
    bool m_rebuilding = false;
    bool m_rebuildRequested = false;
    bool m_building = false; // the board is cut out while it is built
    int m_shuffleSteps = 0;
    int m_motif = 1; // the built-in picture: 1 "Motiv A", 2 "Motiv B"
    QPixmap m_boardPicture;
    KeptPicture m_keptPicture; // the chosen file's picture, from its check to its build
    // Distance of the right-anchored caption buttons to the right edge.
    std::array<int, 3> m_buttonRightDistance{};
    // Counts builds, so that work that waits in the event loop can tell its tiles are gone.
    quint64 m_buildGeneration = 0;
    bool m_shuffling = false; // a shuffle's loop is on the stack
    bool m_clockWasRunning = false; // the clock ran when the window went to the tray
    bool m_leftAfterHiding = false; // and the window was left since
    bool m_gameEnding = false;
    bool m_closing = false;
    QString m_pointer;
    QHash<QString, QCursor> m_pointers;
    class TrayIcon *m_trayIcon = nullptr;
    std::mt19937 m_random;
};

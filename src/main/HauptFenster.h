#pragma once

#include "main/BoardLogic.h"

#include <QAction>
#include <QActionGroup>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <random>

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

    // ---- board model
    using Grid = std::array<std::array<TTiloraStein *, MaxGridSize>, MaxGridSize>;
    Grid TileGrid{};
    int GridSize = 5;
    int TileWidth = 50;
    int TileHeight = 50;
    int FreeCol = 4;
    int FreeRow = 4;
    bool PictureMode = true;
    QString PictureName = QStringLiteral("aussicht.jpg");
    QColor TileColor{0x80, 0x80, 0x80};
    QColor BoardColor{Qt::white};
    bool isSolved() const;

    // ---- options
    int AnimationSpeed = 0;
    int ShuffleDuration = 0;
    int ZoomFactor = 4;
    bool ShowShuffle = false;
    bool GameCheated = false;
    bool ClockWasRunning = false;
    bool BoardBuildPending = true;
    bool SettingsFileExisted = false;
    QString PauseOutline;

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
    // The picture scaled to the board, shown by the solution window; tiles are cut from it.
    QPointer<TPieceImage> VorschauBild;

    // ---- menu items; their check marks are the state of the on/off options
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
    int ShuffleStepCount = 0;
    void StartShuffle();
    void CenterStartWindow();
    void selbst1Click(QAction *item); // every "Mischdauer" item
    void Spielstarten1Click();
    void Panel4Click();
    void SetShuffleDuration(int duration);
    bool isShuffling() const { return m_shuffling; }
    // Uniform in 0 .. n - 1, from the generator seeded once at start-up.
    int Random(int n);
    void seedRandom(quint32 seed);

    // ---- moves and animation
    int MoveTargetCol = 0;
    int MoveTargetRow = 0;
    int MoveSourceCol = 0;
    int MoveSourceRow = 0;
    int AnimationFrame = 0; // frame counter of AnimTimer, 0 while no animation runs
    void BoardMouseDown(QObject *sender, Qt::MouseButton button, QPoint position);
    void BoardMouseMove(QObject *sender, Qt::MouseButtons buttons, QPoint position);
    void BoardMouseUp(QObject *sender, Qt::MouseButton button, QPoint position);
    void StepFreeSlot(int dx, int dy);
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
    int ClockSeconds = 0; // seconds counted by SekundenZaehler
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
    void SetAnimatedOutline();

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
    // The colour of the tile numbers as stored (0x00BBGGRR); any value is kept as it is.
    int BoardFontColorValue = 0;

    // ---- outline
    void setOutline(const QString &text);
    QString outline() const;
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

    Windows m_windows;
    QPixmap m_boardPicture;
    // Distance of the right-anchored caption buttons to the right edge.
    std::array<int, 3> m_buttonRightDistance{};
    // Counts builds, so that work that waits in the event loop can tell its tiles are gone.
    quint64 m_buildGeneration = 0;
    bool m_shuffling = false;
    bool m_gameEnding = false;
    bool m_closing = false;
    QString m_pointer;
    class TrayIcon *m_trayIcon = nullptr;
    std::mt19937 m_random;
};

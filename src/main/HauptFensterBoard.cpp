// Carrying out board builds: sizing the window, preparing the picture, cutting it into tiles,
// and the commands that ask for a build. The game merges the requests and says, after every
// pass of event handling, whether the build under way is still the one wanted; a stale build
// stops there and the next, merged one starts from the beginning.

#include "main/HauptFenster.h"

#include "controls/Panel.h"
#include "desktop/ErrorReport.h"
#include "desktop/Resources.h"
#include "desktop/WindowPlacement.h"
#include "logic/PictureDecoding.h"
#include "main/BoardPicture.h"
#include "main/OpenPictureDialog.h"
#include "main/TiloraStein.h"
#include "windows/SecondaryWindows.h"
#include "windows/bildfenster.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>

void TTiloraForm::build(bool wanted)
{
    // Not wanted: the build under way takes the request in.
    if (!wanted)
        return;
    while (const std::optional<BoardBuild> next = m_game.nextBuild(roomForBoard())) {
        if (next->kind == BoardBuild::NewBoard)
            buildBoard(*next);
        else
            layOutBoard(*next);
    }
}

void TTiloraForm::freeTiles()
{
    // A tile may be the very control whose press started the work that led here, so it goes
    // once control is back in the event loop; until then it is out of sight and out of play.
    for (auto &column : m_tilesByHome) {
        for (TTiloraStein *&tile : column) {
            if (tile) {
                tile->hide();
                tile->PieceImage->removeEventFilter(this);
                tile->NumberLabel->removeEventFilter(this);
                tile->deleteLater();
                tile = nullptr;
            }
        }
    }
    m_tilesGridSize = 0;
}

void TTiloraForm::sizeToBoard()
{
    Brett->resize(m_game.puzzle().boardSize());
    resize(Brett->width() + 2 * FrameWidth, Brett->height() + 2 * FrameWidth);
    keepOnScreen();
    render();
}

void TTiloraForm::buildBoard(const BoardBuild &build)
{
    sizeToBoard();
    // The new outline and size are painted before the picture is made.
    QCoreApplication::processEvents();
    if (!m_game.isCurrent(build) || !preparePicture(build))
        return;
    freeTiles();

    const Puzzle &puzzle = m_game.puzzle();
    const int gridSize = puzzle.gridSize();
    const int tileSize = puzzle.tileSize();
    const bool pictureMode = m_game.settings().pictureMode;
    const QPoint hiddenHome(gridSize - 1, gridSize - 1);
    for (int c = 0; c < gridSize; ++c) {
        for (int r = 0; r < gridSize; ++r) {
            auto *tile = new TTiloraStein(
                Brett, c, r, tileSize, tileSize, QString::number(TileNumber(c, r, gridSize)));
            m_tilesByHome[c][r] = tile;
            if (pictureMode)
                tile->PieceImage->setPicture(CutTile(m_boardPicture, QPoint(c, r), tileSize));
            tile->PieceImage->installEventFilter(this);
            tile->NumberLabel->installEventFilter(this);
            tile->PieceImage->setVisible(pictureMode && QPoint(c, r) != hiddenHome);
            tile->setVisible(QPoint(c, r) != hiddenHome);
            tile->raise();
        }
    }
    m_tilesGridSize = gridSize;
    m_game.buildDone(build);
    PlaceShuffleButton();
}

void TTiloraForm::layOutBoard(const BoardBuild &build)
{
    sizeToBoard();
    if (!preparePicture(build))
        return;
    // The tiles keep their places on the board and are cut afresh from the new picture.
    const int tileSize = m_game.puzzle().tileSize();
    const bool pictureMode = m_game.settings().pictureMode;
    for (int c = 0; c < m_tilesGridSize; ++c) {
        for (int r = 0; r < m_tilesGridSize; ++r) {
            TTiloraStein *stone = m_tilesByHome[c][r];
            if (!stone)
                continue;
            stone->resize(tileSize, tileSize);
            if (pictureMode)
                stone->PieceImage->setPicture(CutTile(m_boardPicture, QPoint(c, r), tileSize));
        }
    }
    m_game.buildDone(build);
    if (m_windows.start.isVisible())
        CenterStartWindow();
    if (m_look.shuffleButtonShown)
        PlaceShuffleButton();
}

QImage TTiloraForm::pictureForBoard(QSize boardSize)
{
    const QString name = m_game.pictureFile();
    if (!name.isEmpty() && QFileInfo::exists(name)) {
        DecodedPicture picture = m_keptPicture.take(name, boardSize);
        if (picture)
            return *std::move(picture);
        // A file that gives no picture (damaged or refused) is not tried again at
        // every start: the board falls back to the motif, as for a missing file, and the
        // player learns why once the board stands.
        QTimer::singleShot(0, this, [text = PictureProblemText(picture.problem, name)] {
            ReportError(text);
        });
    }
    m_game.fallBackToMotif();
    return BuiltInPicture(m_game.motif(), boardSize);
}

bool TTiloraForm::preparePicture(const BoardBuild &build)
{
    if (!m_game.settings().pictureMode)
        return true;
    const QSize boardSize = m_game.puzzle().boardSize();
    // A solution window not made yet gets the picture when it is made.
    TVorschauFenster *preview = m_windows.preview.made();
    if (preview) {
        preview->prepareFor(boardSize);
        QCoreApplication::processEvents();
        if (!m_game.isCurrent(build))
            return false;
    }

    // At the screen's resolution, so that the tiles are as sharp as the screen allows.
    const qreal ratio = devicePixelRatio();
    m_boardPicture = BoardPicture(pictureForBoard(DeviceSize(boardSize, ratio)), boardSize, ratio);
    if (preview)
        preview->setPicture(m_boardPicture);
    return true;
}

void TTiloraForm::PlaceShuffleButton()
{
    Panel4->raise(); // over the tiles
    if (hooks.movePointer)
        hooks.movePointer(ScreenPoint(*this, QPoint(width() / 2, height() / 2)));
}

void TTiloraForm::N201Click(int gridSize)
{
    build(m_game.chooseGridSize(gridSize));
}

void TTiloraForm::Bildladen1Click()
{
    const QString file = hooks.choosePictureFile
        ? hooks.choosePictureFile(this)
        : RunOpenPictureDialog(this, m_game.settings().pictureName);
    if (file.isEmpty())
        return;
    // A file that gives no picture is not taken: the board keeps its picture and its name.
    // Decoded as the build will need it, and kept for it.
    const QSize boardPixels = DeviceSize(m_game.puzzle().boardSize(), devicePixelRatio());
    if (const DecodedPicture picture = m_keptPicture.decodeAndKeep(file, boardPixels);
        !picture) {
        ReportError(PictureProblemText(picture.problem, file));
        return;
    }
    build(m_game.choosePicture(file));
}

void TTiloraForm::Bild1Click(int motif)
{
    build(m_game.chooseMotif(motif));
}

int TTiloraForm::roomForBoard() const
{
    // The whole window stays on the screen: where the board can't fit, its tiles shrink for
    // this run, and the player's size stays stored for a larger screen.
    const QRect area = AvailableScreenArea(*this);
    return area.isEmpty() ? 0 : std::min(area.width(), area.height()) - 2 * FrameWidth;
}

void TTiloraForm::keepOnScreen()
{
    const QPoint now = RealWindowPosition(*this);
    const QPoint place = KeptOnScreen(QRect(now, size()), AvailableScreenArea(*this));
    if (place != now)
        move(place);
}

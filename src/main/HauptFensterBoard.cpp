// Building the board from a picture: sizing the window, preparing the picture, cutting it
// into tiles, and the commands that lead to a new build.

#include "main/HauptFenster.h"

#include "app/Resources.h"
#include "app/TiloraApplication.h"
#include "controls/Panel.h"
#include "main/BoardPicture.h"
#include "main/OpenPictureDialog.h"
#include "logic/PictureDecoding.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"
#include "windows/bildfenster.h"
#include "windows/startenfenster.h"
#include "windows/WindowPlacement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QScopedValueRollback>

namespace {

const QString MotifA = QStringLiteral("Motiv A");
const QString MotifB = QStringLiteral("Motiv B");

} // namespace

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
    m_tileGrid = {};
}

void TTiloraForm::RebuildBoard()
{
    // A build asked for while one is under way (its window events are handled while the
    // outline settles) is merged into one more build once it is done: builds never nest.
    if (m_rebuilding) {
        m_rebuildRequested = true;
        ++m_buildGeneration; // what waits on the running build's board gives up
        return;
    }
    QScopedValueRollback<bool> rebuilding(m_rebuilding, true);
    do {
        m_rebuildRequested = false;
        rebuildNow();
    } while (m_rebuildRequested && !m_closing);
}

void TTiloraForm::rebuildNow()
{
    ++m_buildGeneration;
    SekundenZaehler->stop();
    // A running game is given up: its slide, its waiting presses and its pause end here.
    AnimTimer->stop();
    AnimationFrame = 0;
    m_slide.reset();
    m_pendingPresses.clear();
    endPause();

    const int gridSize = m_puzzle.gridSize();
    m_puzzle = m_puzzle.newBoard(gridSize, fittingTileSize(m_settings.tileSize));
    const int tileSize = m_puzzle.tileSize();
    Brett->resize(m_puzzle.boardSize());
    resize(Brett->width() + 2 * FrameWidth, Brett->height() + 2 * FrameWidth);
    keepOnScreen();
    m_building = true;
    UpdateOutline();
    QCoreApplication::processEvents();
    if (m_rebuildRequested || m_closing) {
        m_building = false;
        return;
    }

    Brett->hide();
    PreparePicture();
    freeTiles();

    const bool pictureMode = m_settings.pictureMode;
    const QColor tileColour = pictureMode ? QColor(Qt::white) : m_settings.tileColor;
    for (int c = 0; c < gridSize; ++c) {
        for (int r = 0; r < gridSize; ++r) {
            auto *tile = new TTiloraStein(Brett, c, r, tileSize, tileSize,
                                          QString::number(TileNumber(c, r, gridSize)));
            m_tilesByHome[c][r] = tile;
            if (pictureMode) {
                tile->PieceImage->setPicture(CutTile(m_boardPicture, QPoint(c, r), tileSize));
            }
            tile->PieceImage->installEventFilter(this);
            tile->NumberLabel->installEventFilter(this);
            tile->PieceImage->setVisible(pictureMode);
            tile->setColor(tileColour);
            tile->show();
            tile->raise();
        }
    }
    syncTileGrid();
    applyOptionToTiles();
    const QPoint free = m_puzzle.freeCell();
    TTiloraStein *hidden = m_tileGrid[free.x()][free.y()];
    hidden->hide();
    hidden->PieceImage->hide();

    Schummeln1->setVisible(pictureMode);
    Vorschau1->setVisible(pictureMode);
    m_building = false;
    setPhase(GamePhase::NoGame);
    Brett->show();
    if (m_windows.start)
        m_windows.start->hide();
    Panel4->show();
    PlaceShuffleButton();
    emit boardRebuilt();
}

QImage TTiloraForm::pictureForBoard(QSize boardSize)
{
    QString &name = m_settings.pictureName;
    if (name != MotifA && name != MotifB && QFileInfo::exists(name)) {
        if (std::optional<QImage> picture = m_keptPicture.take(name, boardSize))
            return *picture;
        // A file that gives no picture (damaged or refused) is not tried again at
        // every start: the board falls back to the motif, as for a missing file.
    }
    if (m_motif == 1) {
        name = MotifA;
        return BuiltInPicture(1, boardSize);
    }
    name = MotifB;
    return BuiltInPicture(2, boardSize);
}

void TTiloraForm::PreparePicture()
{
    if (!m_settings.pictureMode)
        return;
    const QSize boardSize = m_puzzle.boardSize();
    TVorschauFenster *preview = m_windows.preview;
    if (preview) {
        preview->prepareFor(boardSize);
        QCoreApplication::processEvents();
    }

    // At the screen's resolution, so that the tiles are as sharp as the screen allows.
    const qreal ratio = devicePixelRatio();
    m_boardPicture
        = BoardPicture(pictureForBoard(DeviceSize(boardSize, ratio)), boardSize, ratio);
    if (preview) {
        preview->setPicture(m_boardPicture);
        preview->setVisible(m_puzzle.options.solutionView);
    }
}

void TTiloraForm::PlaceShuffleButton()
{
    Panel4->move(Brett->width() / 2 - 36, Brett->height() / 2 - Panel4->height() / 2);
    Panel4->show();
    Panel4->raise();
    if (movePointer)
        movePointer(mapToGlobal(QPoint(width() / 2, height() / 2)));
}

void TTiloraForm::SetPictureMode(bool on)
{
    m_settings.pictureMode = on;
    if (on) {
        Text1->setText(QStringLiteral("Text"));
        Schummeln1->setVisible(true);
    } else {
        Text1->setText(QStringLiteral("Bild"));
        Schummeln1->setVisible(false);
        Vorschau1->setVisible(false);
        if (m_windows.preview)
            m_windows.preview->hide();
    }
}

void TTiloraForm::N201Click(QAction *item)
{
    if (m_windows.start)
        m_windows.start->hide();
    zeit->setText(QStringLiteral("00:00:00"));
    SekundenZaehler->stop();
    m_puzzle = m_puzzle.newBoard(item->data().toInt(), m_puzzle.tileSize());
    updateMarks();
    RebuildBoard();
}

void TTiloraForm::Text1Click()
{
    SetPictureMode(!m_settings.pictureMode);
    RebuildBoard();
}

void TTiloraForm::Bildladen1Click()
{
    const QString file = choosePictureFile ? choosePictureFile(this) : RunOpenPictureDialog(this, m_settings.pictureName);
    if (file.isEmpty())
        return;
    // A file that gives no picture is not taken: the board keeps its picture and its name.
    // Decoded as the build will need it, and kept for it.
    const QSize boardPixels = DeviceSize(m_puzzle.boardSize(), devicePixelRatio());
    if (!m_keptPicture.decodeAndKeep(file, boardPixels)) {
        TiloraApplication::reportError(
            QStringLiteral("Das Bild %1 kann nicht geladen werden.").arg(QFileInfo(file).fileName()));
        return;
    }
    m_settings.pictureName = file;
    if (m_settings.pictureMode)
        RebuildBoard();
    else
        Text1Click();
}

void TTiloraForm::Bild1Click()
{
    m_motif = 1;
    updateMarks();
    if (m_settings.pictureMode)
        RebuildBoard();
    else
        Text1Click();
}

void TTiloraForm::Bild2Click()
{
    m_motif = 2;
    updateMarks();
    if (m_settings.pictureMode)
        RebuildBoard();
    else
        Text1Click();
}

QRect TTiloraForm::screenArea() const
{
    return AvailableScreenArea(*this);
}

int TTiloraForm::fittingTileSize(int tileSize) const
{
    // The whole window stays on the screen: where the board can't fit, its tiles shrink for
    // this run, and the player's size stays stored for a larger screen.
    const QRect area = screenArea();
    const int gridSize = m_puzzle.gridSize();
    if (area.isEmpty() || gridSize <= 0)
        return Clamp(MinTileSize, tileSize, MaxTileSize);
    const int room = qMin(area.width(), area.height()) - 2 * FrameWidth;
    return Clamp(MinTileSize, qMin(tileSize, room / gridSize), MaxTileSize);
}

void TTiloraForm::keepOnScreen()
{
    const QPoint place = KeptOnScreen(QRect(pos(), size()), screenArea());
    if (place != pos())
        move(place);
}

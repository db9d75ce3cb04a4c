// Building the board from a picture: sizing the window, preparing the picture, cutting it
// into tiles, and the commands that lead to a new build.

#include "main/HauptFenster.h"

#include "app/Resources.h"
#include "controls/Panel.h"
#include "main/OpenPictureDialog.h"
#include "logic/PictureDecoding.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"
#include "windows/bildfenster.h"
#include "windows/startenfenster.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPainter>

namespace {

const QString MotifA = QStringLiteral("Motiv A");
const QString MotifB = QStringLiteral("Motiv B");

} // namespace

void TTiloraForm::freeTiles()
{
    // A tile may be the very control whose press started the work that led here, so it goes
    // once control is back in the event loop; until then it is out of sight and out of play.
    for (auto &column : TileGrid) {
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
}

void TTiloraForm::RebuildBoard()
{
    ++m_buildGeneration;
    SekundenZaehler->stop();
    // A running game is given up: its slide and its pause end here.
    AnimTimer->stop();
    AnimationFrame = 0;
    endPause();

    Brett->resize(GridSize * TileWidth, GridSize * TileHeight);
    resize(Brett->width() + 2 * FrameWidth, Brett->height() + 2 * FrameWidth);
    setOutline(BuildingOutline(width(), height()));
    QCoreApplication::processEvents();

    Brett->hide();
    PreparePicture();
    freeTiles();
    FreeCol = GridSize - 1;
    FreeRow = GridSize - 1;

    const bool showNumbers = Schummeln1->isChecked() || !PictureMode;
    const bool framed = Steineumrahmen1->isChecked();
    const QColor tileColour = PictureMode ? QColor(Qt::white) : TileColor;
    for (int c = 0; c < GridSize; ++c) {
        for (int r = 0; r < GridSize; ++r) {
            auto *tile = new TTiloraStein(Brett, c, r, TileWidth, TileHeight,
                                          QString::number(TileNumber(c, r, GridSize)));
            TileGrid[c][r] = tile;
            if (PictureMode) {
                tile->PieceImage->setPicture(m_boardPicture.copy(c * TileWidth, r * TileHeight,
                                                                 TileWidth, TileHeight));
            }
            tile->PieceImage->installEventFilter(this);
            tile->NumberLabel->installEventFilter(this);
            tile->PieceImage->setVisible(PictureMode);
            tile->NumberLabel->setVisible(showNumbers);
            tile->setColor(tileColour);
            tile->setFramed(framed);
            tile->show();
            tile->raise();
        }
    }
    TTiloraStein *hidden = TileGrid[FreeCol][FreeRow];
    hidden->hide();
    hidden->PieceImage->hide();

    Schummeln1->setVisible(PictureMode);
    Vorschau1->setVisible(PictureMode);
    UpdateOutline();
    Brett->show();
    if (m_windows.start)
        m_windows.start->hide();
    Panel4->show();
    PlaceShuffleButton();
    emit boardRebuilt();
}

QImage TTiloraForm::pictureForBoard(QSize boardSize)
{
    if (PictureName != MotifA && PictureName != MotifB && QFileInfo::exists(PictureName)) {
        if (std::optional<QImage> picture = DecodePictureFile(PictureName, boardSize))
            return *picture;
        // A file that cannot be read keeps its name, so the player's choice is not lost;
        // the board shows the chosen motif meanwhile.
        return BuiltInPicture(Bild2->isChecked() ? 2 : 1, boardSize);
    }
    if (Bild1->isChecked()) {
        PictureName = MotifA;
        return BuiltInPicture(1, boardSize);
    }
    PictureName = MotifB;
    return BuiltInPicture(2, boardSize);
}

void TTiloraForm::PreparePicture()
{
    if (!PictureMode)
        return;
    const QSize boardSize(GridSize * TileWidth, GridSize * TileHeight);
    QWidget *preview = m_windows.preview;

    delete VorschauBild.data();
    VorschauBild = new TPieceImage(preview);
    VorschauBild->setObjectName(QStringLiteral("VorschauBild"));
    VorschauBild->setGeometry(QRect(QPoint(PreviewFrameWidth, PreviewFrameWidth), boardSize));

    TFormRegion *previewRegion = nullptr;
    if (preview) {
        preview->resize(boardSize.width() + 2 * PreviewFrameWidth,
                        boardSize.height() + 2 * PreviewFrameWidth);
        previewRegion = preview->findChild<TFormRegion *>();
        if (previewRegion)
            previewRegion->setRegion(PreviewBuildingOutline(preview->width(), preview->height()));
        QCoreApplication::processEvents();
    }

    const QImage picture = pictureForBoard(boardSize);
    QPixmap scaled(boardSize);
    scaled.fill(Qt::white);
    {
        QPainter painter(&scaled);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), boardSize), picture);
    }
    m_boardPicture = scaled;
    if (VorschauBild) {
        VorschauBild->setPicture(m_boardPicture);
        VorschauBild->show();
    }

    if (preview) {
        if (previewRegion)
            previewRegion->setRegion(PreviewOutline(preview->width(), preview->height()));
        preview->setVisible(Vorschau1->isChecked());
    }
}

void TTiloraForm::PlaceShuffleButton()
{
    Panel4->move(Brett->width() / 2 - 36, Brett->height() / 2 - Panel4->height() / 2);
    Panel4->show();
    Panel4->raise();
    if (movePointer)
        movePointer(QPoint(x() + width() / 2, y() + height() / 2));
}

void TTiloraForm::SetPictureMode(bool on)
{
    PictureMode = on;
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
    item->setChecked(true);
    GridSize = Clamp(MinGridSize, item->data().toInt(), MaxGridSize);
    RebuildBoard();
}

void TTiloraForm::Text1Click()
{
    SetPictureMode(!PictureMode);
    RebuildBoard();
}

void TTiloraForm::Bildladen1Click()
{
    const QString file = choosePictureFile ? choosePictureFile(this) : RunOpenPictureDialog(this);
    if (file.isEmpty())
        return;
    PictureName = file;
    if (PictureMode)
        RebuildBoard();
    else
        Text1Click();
}

void TTiloraForm::Bild1Click()
{
    Bild1->setChecked(true);
    if (PictureMode)
        RebuildBoard();
    else
        Text1Click();
}

void TTiloraForm::Bild2Click()
{
    Bild2->setChecked(true);
    if (PictureMode)
        RebuildBoard();
    else
        Text1Click();
}

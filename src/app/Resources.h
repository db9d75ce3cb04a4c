#pragma once

// The artwork compiled into the program: window frames, the two built-in pictures, the
// icon, the mouse pointers and the caption button pictures.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// The three frame styles: the main window (18 pixels), the solution window and the
// settings dialog's tile preview (12), the high score window (18 wide, 28 high).
enum class FrameSet { Main, Preview, Highscore };
enum class FramePiece {
    LinksOben,
    MitteOben,
    RechtsOben,
    MitteLinks,
    RechtsMitte,
    LinksUnten,
    MitteUnten,
    RechtsUnten
};

// The resource name of a piece ("linksoben", ...).
QString FramePieceName(FramePiece piece);
// One frame piece as stored: corners with their magenta background (0xFF00FF) still in.
QImage FrameImage(FrameSet set, FramePiece piece);
// One frame piece ready to draw: the corners' magenta pixels are transparent.
QPixmap FramePicture(FrameSet set, FramePiece piece);
// Draws an eight-piece frame into rect: the corners unscaled in their corners, the edges
// stretched between them. The inside of the frame is left alone.
void PaintFrame(QPainter &painter, const QRect &rect, FrameSet set);

// The built-in pictures, 1 = "Motiv A" (600 × 404), 2 = "Motiv B" (600 × 450), decoded no
// larger than a board of boardSize needs (an empty size: full size). Null for another
// number.
QImage BuiltInPicture(int motif, QSize boardSize = QSize());

// The program icon "MAINICON" in all its sizes.
QIcon MainIcon();

// The mouse pointers "LUPE", "FINGER1" and "FINGER2" with their hot spots; the arrow for
// any other name.
QCursor PointerCursor(const QString &name);
// The hot spot of a pointer picture (pointer names as above).
QPoint PointerHotSpot(const QString &name);

// The caption button pictures "gitter" (10 × 10) and "lupe" (12 × 12), black background
// included: the button leaves out the colour of the bottom-left pixel.
QPixmap ButtonPicture(const QString &name);

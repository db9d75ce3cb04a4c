#pragma once

// The artwork compiled into the program: window frames, the two built-in pictures, the
// icon, the mouse pointers and the caption button pictures. The frames, pointers, caption
// button pictures and the larger icons are also stored at twice the size ("name@2x.png"),
// for screens with more than one device pixel to the logical pixel.

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// The scale of the artwork that serves a device pixel ratio: 2 above 1, else 1. A fractional
// ratio (1.5) takes the larger pictures, which the painter brings down to its size.
int ArtworkScale(qreal devicePixelRatio);
// The scale of the artwork for the screens: that of the highest ratio among them.
int ScreenArtworkScale();

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

// The picture as 32 bits with alpha, every pixel of the colour made transparent: how the
// artwork's background is left out.
QImage WithColourLeftOut(QImage image, QRgb colour);

// The resource name of a piece ("linksoben", ...).
QString FramePieceName(FramePiece piece);
// One frame piece as stored at scale 1 or 2: corners with their magenta background
// (0xFF00FF) still in.
QImage FrameImage(FrameSet set, FramePiece piece, int scale = 1);
// One frame piece ready to draw: the corners' magenta pixels are transparent, and the
// picture's device pixel ratio is its scale, so that it draws at the size of scale 1.
QPixmap FramePicture(FrameSet set, FramePiece piece, int scale = 1);
// Draws an eight-piece frame into rect, at the scale that serves the painter's device: the
// corners unscaled in their corners, the edges stretched between them. The inside of the
// frame is left alone.
void PaintFrame(QPainter &painter, const QRect &rect, FrameSet set);

// The built-in pictures, 1 = "Motiv A" (600 × 404), 2 = "Motiv B" (600 × 450), decoded no
// larger than a board of boardSize needs (an empty size: full size). Null for another
// number.
QImage BuiltInPicture(int motif, QSize boardSize = QSize());

// The program icon "MAINICON" in all its sizes.
QIcon MainIcon();

// The mouse pointers "LUPE", "FINGER1" and "FINGER2" (32 × 32 logical pixels) with their hot
// spots (on X11 in the picture's own pixels, which is what the xcb platform expects); the
// arrow for any other name.
QCursor PointerCursor(const QString &name, int scale = ScreenArtworkScale());
// The hot spot of a pointer picture in logical pixels (pointer names as above).
QPoint PointerHotSpot(const QString &name);

// The caption button pictures "gitter" (10 × 10) and "lupe" (12 × 12 logical pixels),
// black background included: the button leaves out the colour of the bottom-left pixel.
QPixmap ButtonPicture(const QString &name, int scale = ScreenArtworkScale());

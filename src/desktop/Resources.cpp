#include "desktop/Resources.h"

#include "logic/PictureDecoding.h"

#include <QFile>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPixmapCache>
#include <QResource>

#include <png.h>

namespace {

QString frameFolder(FrameSet set)
{
    switch (set) {
    case FrameSet::Main:
        return QStringLiteral("main");
    case FrameSet::Preview:
        return QStringLiteral("preview");
    case FrameSet::Highscore:
        return QStringLiteral("highscore");
    }
    return {};
}

// A picture of the artwork as stored at the scale ("name@2x.png" for 2).
QString scaledPath(const QString &path, int scale)
{
    if (scale <= 1)
        return path;
    QString scaled = path;
    return scaled.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(scale));
}

// All the artwork is PNG, compiled in. It is read straight from the program's memory by the
// PNG library that the toolkit loads anyway: the toolkit's picture reader first looks through
// the image plug-ins installed (and, not told the format, loads every one of them).
QImage readArtwork(const QString &path)
{
    const QByteArray data = QResource(path).uncompressedData();
    png_image png {};
    png.version = PNG_IMAGE_VERSION;
    if (data.isEmpty()
        || !png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return {};
    const bool alpha = png.format & PNG_FORMAT_FLAG_ALPHA;
    // A 32-bit word per pixel, alpha (255 where the picture has none) in the top byte.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage picture(int(png.width), int(png.height),
        alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull()
        || !png_image_finish_read(
            &png, nullptr, picture.bits(), png_int_32(picture.bytesPerLine()), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return picture;
}

// The picture at the scale, or at scale 1 where there is no larger one; its device pixel
// ratio says which.
QImage loadArtwork(const QString &path, int scale)
{
    QImage image = readArtwork(scaledPath(path, scale));
    if (image.isNull()) {
        image = readArtwork(path);
        scale = 1;
    }
    image.setDevicePixelRatio(scale);
    return image;
}

QString framePath(FrameSet set, FramePiece piece)
{
    return QStringLiteral(":/frame/%1/%2.png").arg(frameFolder(set), FramePieceName(piece));
}

bool isCorner(FramePiece piece)
{
    return piece == FramePiece::LinksOben || piece == FramePiece::RechtsOben
        || piece == FramePiece::LinksUnten || piece == FramePiece::RechtsUnten;
}

constexpr QRgb TransparentColour = qRgb(0xFF, 0x00, 0xFF);

struct Pointer
{
    const char *name;
    const char *file;
    QPoint hotSpot;
};

// Hot spots: the middle of the lens, the tip of the finger.
constexpr Pointer Pointers[] = {
    {"LUPE", "lupe", QPoint(12, 12)},
    {"FINGER1", "finger1", QPoint(10, 1)},
    {"FINGER2", "finger2", QPoint(10, 4)},
};

const Pointer *findPointer(const QString &name)
{
    for (const Pointer &pointer : Pointers) {
        if (name == QLatin1String(pointer.name))
            return &pointer;
    }
    return nullptr;
}

} // namespace

int ArtworkScale(qreal devicePixelRatio)
{
    return devicePixelRatio > 1 ? 2 : 1;
}

int ScreenArtworkScale()
{
    return qGuiApp ? ArtworkScale(qGuiApp->devicePixelRatio()) : 1;
}

QImage WithColourLeftOut(QImage image, QRgb colour)
{
    image = std::move(image).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == colour)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return image;
}

QString FramePieceName(FramePiece piece)
{
    switch (piece) {
    case FramePiece::LinksOben:
        return QStringLiteral("linksoben");
    case FramePiece::MitteOben:
        return QStringLiteral("mitteoben");
    case FramePiece::RechtsOben:
        return QStringLiteral("rechtsoben");
    case FramePiece::MitteLinks:
        return QStringLiteral("mittelinks");
    case FramePiece::RechtsMitte:
        return QStringLiteral("rechtsmitte");
    case FramePiece::LinksUnten:
        return QStringLiteral("linksunten");
    case FramePiece::MitteUnten:
        return QStringLiteral("mitteunten");
    case FramePiece::RechtsUnten:
        return QStringLiteral("rechtsunten");
    }
    return {};
}

QImage FrameImage(FrameSet set, FramePiece piece, int scale)
{
    return loadArtwork(framePath(set, piece), scale);
}

QPixmap FramePicture(FrameSet set, FramePiece piece, int scale)
{
    const QString key = scaledPath(framePath(set, piece), scale);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap))
        return pixmap;
    QImage image = FrameImage(set, piece, scale);
    if (isCorner(piece))
        image = WithColourLeftOut(std::move(image), TransparentColour);
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

void PaintFrame(QPainter &painter, const QRect &rect, FrameSet set)
{
    const int scale = ArtworkScale(painter.device() ? painter.device()->devicePixelRatio() : 1);
    const auto picture = [set, scale](FramePiece piece) {
        return FramePicture(set, piece, scale);
    };
    const QPixmap linksOben = picture(FramePiece::LinksOben);
    const QPixmap mitteOben = picture(FramePiece::MitteOben);
    const QPixmap rechtsOben = picture(FramePiece::RechtsOben);
    const QPixmap mitteLinks = picture(FramePiece::MitteLinks);
    const QPixmap rechtsMitte = picture(FramePiece::RechtsMitte);
    const QPixmap linksUnten = picture(FramePiece::LinksUnten);
    const QPixmap mitteUnten = picture(FramePiece::MitteUnten);
    const QPixmap rechtsUnten = picture(FramePiece::RechtsUnten);
    // Places and sizes below are logical: a piece of scale 2 is as large as one of scale 1.
    const auto width = [](const QPixmap &piece) {
        return qRound(piece.deviceIndependentSize().width());
    };
    const auto height = [](const QPixmap &piece) {
        return qRound(piece.deviceIndependentSize().height());
    };

    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    const auto stretch = [&painter](const QRect &target, const QPixmap &piece) {
        if (target.width() > 0 && target.height() > 0)
            painter.drawPixmap(target, piece);
    };
    stretch(QRect(left + width(linksOben), top,
                right - width(rechtsOben) - left - width(linksOben), height(mitteOben)),
        mitteOben);
    stretch(QRect(left + width(linksUnten), bottom - height(mitteUnten),
                right - width(rechtsUnten) - left - width(linksUnten), height(mitteUnten)),
        mitteUnten);
    stretch(QRect(left, top + height(linksOben), width(mitteLinks),
                bottom - height(linksUnten) - top - height(linksOben)),
        mitteLinks);
    stretch(QRect(right - width(rechtsMitte), top + height(rechtsOben), width(rechtsMitte),
                bottom - height(rechtsUnten) - top - height(rechtsOben)),
        rechtsMitte);
    painter.drawPixmap(left, top, linksOben);
    painter.drawPixmap(right - width(rechtsOben), top, rechtsOben);
    painter.drawPixmap(left, bottom - height(linksUnten), linksUnten);
    painter.drawPixmap(right - width(rechtsUnten), bottom - height(rechtsUnten), rechtsUnten);
}

QImage BuiltInPicture(int motif, QSize boardSize)
{
    const char *path = motif == 1 ? ":/pictures/motiv_a.jpg"
        : motif == 2              ? ":/pictures/motiv_b.jpg"
                                  : nullptr;
    if (!path)
        return {};
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return DecodeJpeg(file.readAll(), boardSize).value_or(QImage());
}

QIcon MainIcon()
{
    // The 256-pixel picture is for the desktop's application menu; windows and the tray
    // need no more than 64 pixels, and every size given here is read when a window shows.
    // A screen of a higher ratio gets the "@2x" pictures as larger sizes.
    QIcon icon;
    const int largestScale = ScreenArtworkScale();
    for (int size : {16, 32, 48, 64}) {
        const QString path = QStringLiteral(":/icons/mainicon_%1.png").arg(size);
        for (int scale = 1; scale <= largestScale; ++scale) {
            const QString key = scaledPath(path, scale);
            QPixmap pixmap;
            if (!QPixmapCache::find(key, &pixmap)) {
                pixmap = QPixmap::fromImage(readArtwork(key));
                QPixmapCache::insert(key, pixmap);
            }
            if (!pixmap.isNull())
                icon.addPixmap(pixmap);
        }
    }
    return icon;
}

QPoint PointerHotSpot(const QString &name)
{
    const Pointer *pointer = findPointer(name);
    return pointer ? pointer->hotSpot : QPoint();
}

QCursor PointerCursor(const QString &name, int scale)
{
    const Pointer *pointer = findPointer(name);
    if (!pointer)
        return QCursor(Qt::ArrowCursor);
    const QImage picture = loadArtwork(
        QStringLiteral(":/cursors/%1.png").arg(QLatin1String(pointer->file)), scale);
    if (picture.isNull())
        return QCursor(Qt::ArrowCursor);
    // The hot spot is given in logical pixels, except to X11: Qt's xcb platform hands it to
    // the server unscaled, beside the picture in device pixels.
    const bool x11 = qGuiApp && qGuiApp->platformName() == QLatin1String("xcb");
    const QPoint hotSpot = pointer->hotSpot * (x11 ? picture.devicePixelRatio() : 1.0);
    return QCursor(QPixmap::fromImage(picture), hotSpot.x(), hotSpot.y());
}

QPixmap ButtonPicture(const QString &name, int scale)
{
    return QPixmap::fromImage(loadArtwork(QStringLiteral(":/buttons/%1.png").arg(name), scale));
}

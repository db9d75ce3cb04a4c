#include "app/Resources.h"

#include "logic/PictureDecoding.h"

#include <QFile>
#include <QPainter>
#include <QPixmapCache>

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

QImage FrameImage(FrameSet set, FramePiece piece)
{
    return QImage(framePath(set, piece));
}

QPixmap FramePicture(FrameSet set, FramePiece piece)
{
    const QString path = framePath(set, piece);
    QPixmap pixmap;
    if (QPixmapCache::find(path, &pixmap))
        return pixmap;
    QImage image = FrameImage(set, piece);
    if (isCorner(piece)) {
        image = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (line[x] == TransparentColour)
                    line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(path, pixmap);
    return pixmap;
}

void PaintFrame(QPainter &painter, const QRect &rect, FrameSet set)
{
    const QPixmap linksOben = FramePicture(set, FramePiece::LinksOben);
    const QPixmap mitteOben = FramePicture(set, FramePiece::MitteOben);
    const QPixmap rechtsOben = FramePicture(set, FramePiece::RechtsOben);
    const QPixmap mitteLinks = FramePicture(set, FramePiece::MitteLinks);
    const QPixmap rechtsMitte = FramePicture(set, FramePiece::RechtsMitte);
    const QPixmap linksUnten = FramePicture(set, FramePiece::LinksUnten);
    const QPixmap mitteUnten = FramePicture(set, FramePiece::MitteUnten);
    const QPixmap rechtsUnten = FramePicture(set, FramePiece::RechtsUnten);

    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    const auto stretch = [&painter](const QRect &target, const QPixmap &piece) {
        if (target.width() > 0 && target.height() > 0)
            painter.drawPixmap(target, piece);
    };
    stretch(QRect(left + linksOben.width(), top,
                right - rechtsOben.width() - left - linksOben.width(), mitteOben.height()),
        mitteOben);
    stretch(QRect(left + linksUnten.width(), bottom - mitteUnten.height(),
                right - rechtsUnten.width() - left - linksUnten.width(), mitteUnten.height()),
        mitteUnten);
    stretch(QRect(left, top + linksOben.height(), mitteLinks.width(),
                bottom - linksUnten.height() - top - linksOben.height()),
        mitteLinks);
    stretch(QRect(right - rechtsMitte.width(), top + rechtsOben.height(), rechtsMitte.width(),
                bottom - rechtsUnten.height() - top - rechtsOben.height()),
        rechtsMitte);
    painter.drawPixmap(left, top, linksOben);
    painter.drawPixmap(right - rechtsOben.width(), top, rechtsOben);
    painter.drawPixmap(left, bottom - linksUnten.height(), linksUnten);
    painter.drawPixmap(right - rechtsUnten.width(), bottom - rechtsUnten.height(), rechtsUnten);
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
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/mainicon_%1.png").arg(size), QSize(size, size));
    return icon;
}

QPoint PointerHotSpot(const QString &name)
{
    const Pointer *pointer = findPointer(name);
    return pointer ? pointer->hotSpot : QPoint();
}

QCursor PointerCursor(const QString &name)
{
    const Pointer *pointer = findPointer(name);
    if (!pointer)
        return QCursor(Qt::ArrowCursor);
    const QPixmap picture(QStringLiteral(":/cursors/%1.png").arg(QLatin1String(pointer->file)));
    if (picture.isNull())
        return QCursor(Qt::ArrowCursor);
    return QCursor(picture, pointer->hotSpot.x(), pointer->hotSpot.y());
}

QPixmap ButtonPicture(const QString &name)
{
    return QPixmap(QStringLiteral(":/buttons/%1.png").arg(name));
}

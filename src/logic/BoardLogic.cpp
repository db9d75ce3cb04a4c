#include "logic/BoardLogic.h"

#include <QStringList>
#include <algorithm>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

QString rectangle(int left, int top, int right, int bottom)
{
    return QStringLiteral("R%1,%2,%3,%4").arg(left).arg(top).arg(right).arg(bottom);
}

QString cutOut(int width, int height, const QString &rect)
{
    return RoundedOutline(width, height) + LineBreak + QStringLiteral("X") + LineBreak + rect;
}

} // namespace

QString RoundedOutline(int width, int height)
{
    return QStringLiteral("U0,0,%1,%2,34,34").arg(width + 2).arg(height);
}

QString BuildingOutline(int width, int height)
{
    return cutOut(
        width, height, rectangle(FrameWidth, FrameWidth, width - FrameWidth, height - FrameWidth));
}

QString BoardRegionOutline(
    int width, int height, bool transparent, QPoint freeCell, int tileWidth, int tileHeight)
{
    if (!transparent)
        return RoundedOutline(width, height);
    const int left = FrameWidth + freeCell.x() * tileWidth;
    const int top = FrameWidth + freeCell.y() * tileHeight;
    return cutOut(width, height, rectangle(left, top, left + tileWidth, top + tileHeight));
}

QString HiddenBoardOutline(int width, int height)
{
    // The two pixels above the board go too, so no sliver of a tile peeks out.
    return cutOut(width, height,
        rectangle(FrameWidth, FrameWidth - 2, width - FrameWidth, height - FrameWidth));
}

int SlideOffset(int direction, int tileSize, int frame, int frames)
{
    // Multiply first, divide last; C++ division truncates towards zero.
    return direction * tileSize * (frames - frame) / frames;
}

QString AnimatedOutline(int width, int height, const SlideFrame &slide)
{
    const int dx = Sign(slide.target.x() - slide.source.x());
    const int dy = Sign(slide.target.y() - slide.source.y());
    const int w = slide.tileWidth;
    const int h = slide.tileHeight;
    const int ox = (slide.frames - slide.frame) * w / slide.frames;
    const int oy = (slide.frames - slide.frame) * h / slide.frames;

    const int c0 = qMin(slide.source.x(), slide.target.x());
    const int c1 = qMax(slide.source.x(), slide.target.x()) + 1;
    const int r0 = qMin(slide.source.y(), slide.target.y());
    const int r1 = qMax(slide.source.y(), slide.target.y()) + 1;
    const int x0 = FrameWidth + c0 * w;
    const int y0 = FrameWidth + r0 * h;
    const int x1 = FrameWidth + c1 * w;
    const int y1 = FrameWidth + r1 * h;

    QString a;
    QString b;
    if (dx > 0) {
        a = rectangle(x0, y0, x0 + ox, y0 + h);
        b = rectangle(x1 - w + ox, y1 - h, x1, y1);
    } else if (dx < 0) {
        a = rectangle(x0, y0, x0 + w - ox, y0 + h);
        b = rectangle(x1 - ox, y1 - h, x1, y1);
    } else if (dy > 0) {
        a = rectangle(x0, y0, x0 + w, y0 + oy);
        b = rectangle(x1 - w, y1 - h + oy, x1, y1);
    } else {
        a = rectangle(x0, y0, x0 + w, y0 + h - oy);
        b = rectangle(x1 - w, y1 - oy, x1, y1);
    }
    return QStringList {QStringLiteral("{"), RoundedOutline(width, height), QStringLiteral("X"), a,
        QStringLiteral("}"), QStringLiteral("X"), b}
        .join(LineBreak);
}

QString PreviewBuildingOutline(int width, int height)
{
    return RoundedOutline(width, height) + LineBreak + QStringLiteral("X") + LineBreak
        + rectangle(PreviewFrameWidth, PreviewFrameWidth, width - PreviewFrameWidth,
            height - PreviewFrameWidth);
}

QString PreviewResizeOutline(int width, int height)
{
    return QStringLiteral("U0,0,%1,%2,8,8").arg(width).arg(height);
}

int FittingTileSize(int tileSize, int gridSize, int room)
{
    const int fitting = room > 0 && gridSize > 0 ? std::min(tileSize, room / gridSize) : tileSize;
    return std::clamp(fitting, MinTileSize, MaxTileSize);
}

int AnimationFrames(int animationSpeed)
{
    static constexpr int frames[] = {1, 8, 2};
    return frames[std::clamp(animationSpeed, 0, 2)];
}

qint64 ShuffleMoveCount(int gridSize, int shuffleDuration)
{
    static constexpr qint64 factors[] = {0, 1, 10, 100, 1000};
    if (shuffleDuration < 1 || shuffleDuration > 4)
        return 0;
    return qint64(gridSize) * gridSize * factors[shuffleDuration];
}

QString ClockText(qint64 seconds)
{
    return QString::asprintf(
        "%.2lld:%.2lld:%.2lld", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
}

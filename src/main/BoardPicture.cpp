#include "main/BoardPicture.h"

#include <QPainter>
#include <QRect>
#include <QSizeF>

QSize DeviceSize(QSize logical, qreal ratio)
{
    return (QSizeF(logical) * ratio).toSize();
}

QPixmap BoardPicture(const QImage &picture, QSize boardSize, qreal ratio)
{
    // Painted in device pixels; the ratio only says how large it draws.
    QPixmap board(DeviceSize(boardSize, ratio));
    board.fill(Qt::white);
    {
        QPainter painter(&board);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), board.size()), picture);
    }
    board.setDevicePixelRatio(ratio);
    return board;
}

QPixmap CutTile(const QPixmap &board, QPoint home, int tileSize)
{
    const qreal ratio = board.devicePixelRatio();
    const int side = qRound(tileSize * ratio);
    QPixmap piece = board.copy(qRound(home.x() * tileSize * ratio),
                               qRound(home.y() * tileSize * ratio), side, side);
    piece.setDevicePixelRatio(ratio);
    return piece;
}

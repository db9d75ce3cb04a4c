#include "controls/PieceImage.h"

#include <QPainter>

TPieceImage::TPieceImage(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPieceImage::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void TPieceImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

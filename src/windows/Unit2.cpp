#include "windows/Unit2.h"
#include "controls/DarkStyle.h"

#include <QPainter>

TForm2::TForm2(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Tilora"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // It only shows what lies under the pointer; it must not take the focus from the board.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(ClientSize + 2 * BorderWidth, ClientSize + 2 * BorderWidth);
}

QRect TForm2::clientRect() const
{
    return rect().adjusted(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
}

void TForm2::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void TForm2::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), DarkGrey());
    if (!m_picture.isNull())
        painter.drawImage(clientRect(), m_picture);
}

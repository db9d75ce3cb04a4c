#include "main/TiloraStein.h"

#include "controls/Panel.h"

#include <QPainter>

TTiloraStein::TTiloraStein(QWidget *board, int homeCol, int homeRow, int width, int height,
                           const QString &numberText)
    : QWidget(board),
      HomeCol(homeCol),
      HomeRow(homeRow),
      PieceImage(new TPieceImage(this)),
      NumberLabel(new QLabel(this)),
      m_color(board->palette().color(QPalette::Window))
{
    setGeometry(homeCol * width, homeRow * height, width, height);
    NumberLabel->setText(numberText);
    // What a sighted player reads in number mode, for assistive technology in either mode.
    setAccessibleName(QStringLiteral("Stein %1").arg(numberText));
    NumberLabel->setAlignment(Qt::AlignCenter);
    NumberLabel->setAttribute(Qt::WA_TranslucentBackground);
    NumberLabel->hide();
    layoutChildren();
}

void TTiloraStein::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void TTiloraStein::setFramed(bool framed)
{
    if (m_framed == framed)
        return;
    m_framed = framed;
    layoutChildren();
    update();
}

void TTiloraStein::layoutChildren()
{
    const QRect inside = m_framed ? rect().adjusted(1, 1, -1, -1) : rect();
    PieceImage->setGeometry(inside);
    NumberLabel->setGeometry(inside);
}

void TTiloraStein::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    if (m_framed)
        PaintBevel(painter, rect(), TPanel::Bevel::Raised, palette());
}

void TTiloraStein::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

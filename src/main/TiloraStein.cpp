#include "main/TiloraStein.h"

#include "controls/AccessibleControl.h"
#include "controls/Panel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace {

// The board hears the presses on what a tile shows, not on the tile: the "press" of assistive
// technology is a left click in the middle of the piece or the number, whichever shows.
void clickTile(QWidget &widget)
{
    auto &tile = static_cast<TTiloraStein &>(widget);
    QWidget *shown = tile.NumberLabel->isVisible() ? static_cast<QWidget *>(tile.NumberLabel)
                                                   : tile.PieceImage;
    const QPointF middle = QRectF(shown->rect()).center();
    const QPointF global = shown->mapToGlobal(middle);
    QMouseEvent press(
        QEvent::MouseButtonPress, middle, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(shown, &press);
    QMouseEvent release(
        QEvent::MouseButtonRelease, middle, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(shown, &release);
}

} // namespace

TTiloraStein::TTiloraStein(QWidget *board, int homeCol, int homeRow, int width, int height,
                           const QString &numberText)
    : QWidget(board),
      HomeCol(homeCol),
      HomeRow(homeRow),
      PieceImage(new TPieceImage(this)),
      NumberLabel(new QLabel(this)),
      m_color(board->palette().color(QPalette::Window))
{
    static const bool registered = [] {
        RegisterAccessibleLook(QStringLiteral("TTiloraStein"),
            {[](const QWidget &) { return QAccessible::Button; }, {}, clickTile});
        return true;
    }();
    Q_UNUSED(registered);
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

#include "controls/Panel.h"

#include "controls/AccessibleControl.h"

#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>

TPanel::TPanel(QWidget *parent)
    : QWidget(parent)
{
    // A panel that takes clicks is a push button with its caption on it; one that does not
    // shows its caption as a text, or merely holds other controls.
    static const bool registered = [] {
        RegisterAccessibleLook(QStringLiteral("TPanel"),
            {[](const QWidget &widget) {
                 const auto &panel = static_cast<const TPanel &>(widget);
                 return panel.isClickable()     ? QAccessible::Button
                     : panel.Caption().isEmpty() ? QAccessible::Pane
                                                 : QAccessible::StaticText;
             },
                [](const QWidget &panel) { return static_cast<const TPanel &>(panel).Caption(); },
                [](QWidget &panel) { emit static_cast<TPanel &>(panel).clicked(); }});
        return true;
    }();
    Q_UNUSED(registered);
}

bool TPanel::isClickable() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&TPanel::clicked));
}

void TPanel::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void TPanel::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TPanel::setFontColor(const QColor &color)
{
    m_fontColor = color;
    update();
}

void TPanel::setBevelOuter(Bevel bevel)
{
    m_bevelOuter = bevel;
    update();
}

void TPanel::setBevelInner(Bevel bevel)
{
    m_bevelInner = bevel;
    update();
}

QRect TPanel::clientRect() const
{
    int inset = 0;
    if (m_bevelOuter != Bevel::None)
        ++inset;
    if (m_bevelInner != Bevel::None)
        ++inset;
    return rect().adjusted(inset, inset, -inset, -inset);
}

void PaintBevel(QPainter &painter, const QRect &rect, TPanel::Bevel bevel,
                const QPalette &palette)
{
    if (bevel == TPanel::Bevel::None || rect.width() <= 0 || rect.height() <= 0)
        return;
    const QColor light = palette.color(QPalette::Light);
    const QColor dark = palette.color(QPalette::Dark);
    const QColor upper = bevel == TPanel::Bevel::Raised ? light : dark;
    const QColor lower = bevel == TPanel::Bevel::Raised ? dark : light;
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.right();
    const int bottom = rect.bottom();
    painter.fillRect(QRect(left, top, rect.width() - 1, 1), upper);
    painter.fillRect(QRect(left, top, 1, rect.height() - 1), upper);
    painter.fillRect(QRect(right, top, 1, rect.height()), lower);
    painter.fillRect(QRect(left, bottom, rect.width(), 1), lower);
}

void TPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    QRect edge = rect();
    if (m_bevelOuter != Bevel::None) {
        PaintBevel(painter, edge, m_bevelOuter, palette());
        edge.adjust(1, 1, -1, -1);
    }
    PaintBevel(painter, edge, m_bevelInner, palette());
    if (!m_caption.isEmpty()) {
        painter.setPen(m_fontColor);
        painter.setFont(font());
        painter.drawText(clientRect(), Qt::AlignCenter, m_caption);
    }
}

void TPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

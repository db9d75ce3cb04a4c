#include "controls/OwnerDrawnMenu.h"
#include "controls/DarkStyle.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>

namespace {

const QColor HighlightSilver(0xC0, 0xC0, 0xC0);

// The entry's text carries the key text after a tab, so that the menu measures the key column
// the way it measures any shortcut, without a shortcut being bound.
QString entryText(const QString &caption, const QString &shortcut)
{
    return shortcut.isEmpty() ? caption : caption + QLatin1Char('\t') + shortcut;
}

} // namespace

void Text1DrawItem(QPainter &painter, const QFont &menuFont, const MenuItemLook &item)
{
    QFont font = menuFont;
    font.setFamily(QStringLiteral("Arial"));
    painter.save();
    painter.setFont(font);
    painter.fillRect(item.rect, item.selected ? HighlightSilver : DarkGrey());
    painter.setPen(item.selected ? Qt::black : Qt::white);

    const QFontMetrics metrics(font);
    const int top = item.rect.top() + 2;
    const int height = metrics.height();
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
    auto drawTextAt = [&](int left, const QString &text) {
        painter.drawText(
            QRect(left, top, metrics.horizontalAdvance(text) + 1, height), flags, text);
    };
    if (item.checked)
        drawTextAt(item.rect.left() + 6, QStringLiteral("x"));
    drawTextAt(item.rect.left() + 16, item.caption);
    // The line is drawn clipped to its own rectangle, so the key text ends two pixels before
    // the rectangle's right edge.
    const int right = item.rect.left() + item.rect.width();
    drawTextAt(right - metrics.horizontalAdvance(item.shortcut) - 2, item.shortcut);
    painter.restore();
}

TOwnerDrawnMenu::TOwnerDrawnMenu(QWidget *parent)
    : QMenu(parent)
{
    init();
}

TOwnerDrawnMenu::TOwnerDrawnMenu(const QString &title, QWidget *parent)
    : QMenu(title, parent)
{
    init();
}

void TOwnerDrawnMenu::init()
{
    // Measured in the face it is drawn in, so captions never run into the key column.
    QFont arial = font();
    arial.setFamily(QStringLiteral("Arial"));
    setFont(arial);
}

void TOwnerDrawnMenu::addItem(QAction *item, const QString &shortcut)
{
    // Unnamed, so that a search for the item by name finds the item.
    auto *entry = new QAction(this);
    m_itemOfEntry.insert(entry, item);
    m_entryOfItem.insert(item, entry);
    m_shortcutOfEntry.insert(entry, shortcut);
    follow(entry);
    addAction(entry);
    connect(item, &QAction::changed, this, [this, entry] { follow(entry); });
    connect(entry, &QAction::triggered, this, [this, entry] {
        if (QAction *chosen = itemOf(entry))
            emit itemChosen(chosen);
    });
}

void TOwnerDrawnMenu::addSubmenu(TOwnerDrawnMenu *submenu, const QString &hint)
{
    QAction *entry = addMenu(submenu);
    if (!hint.isEmpty())
        entry->setStatusTip(hint);
    m_itemOfEntry.insert(entry, entry);
    m_entryOfItem.insert(entry, entry);
}

QList<QAction *> TOwnerDrawnMenu::items() const
{
    QList<QAction *> result;
    for (QAction *entry : actions()) {
        if (QAction *item = itemOf(entry))
            result.append(item);
    }
    return result;
}

QAction *TOwnerDrawnMenu::entryOf(const QAction *item) const
{
    return m_entryOfItem.value(item);
}

QAction *TOwnerDrawnMenu::itemOf(const QAction *entry) const
{
    return m_itemOfEntry.value(entry);
}

QString TOwnerDrawnMenu::shortcutOf(const QAction *item) const
{
    return m_shortcutOfEntry.value(entryOf(item));
}

MenuItemLook TOwnerDrawnMenu::lookOf(QAction *entry) const
{
    MenuItemLook look;
    look.rect = actionGeometry(entry);
    look.selected = entry == activeAction();
    if (QMenu *submenu = entry->menu()) {
        look.caption = submenu->title();
        return look;
    }
    if (const QAction *item = itemOf(entry)) {
        look.caption = item->text();
        look.checked = item->isChecked();
        look.shortcut = m_shortcutOfEntry.value(entry);
    }
    return look;
}

void TOwnerDrawnMenu::follow(QAction *entry)
{
    const QAction *item = itemOf(entry);
    if (!item)
        return;
    const QString text = entryText(item->text(), m_shortcutOfEntry.value(entry));
    if (entry->text() != text)
        entry->setText(text);
    entry->setVisible(item->isVisible());
    entry->setEnabled(item->isEnabled());
    // A changed mark changes no entry, only the drawing.
    update();
}

void TOwnerDrawnMenu::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    // Panel and frame are the platform's; the lines fill the inside.
    QStyleOptionMenuItem panel;
    panel.initFrom(this);
    panel.state = QStyle::State_None;
    panel.checkType = QStyleOptionMenuItem::NotCheckable;
    panel.maxIconWidth = 0;
    panel.reservedShortcutWidth = 0;
    style()->drawPrimitive(QStyle::PE_PanelMenu, &panel, &painter, this);
    const int frameWidth = style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, this);
    painter.fillRect(rect().adjusted(frameWidth, frameWidth, -frameWidth, -frameWidth), DarkGrey());

    for (QAction *entry : actions()) {
        const MenuItemLook look = lookOf(entry);
        if (look.rect.isEmpty() || !event->rect().intersects(look.rect))
            continue;
        painter.setClipRect(look.rect);
        Text1DrawItem(painter, font(), look);
        if (entry->menu())
            drawSubmenuArrow(painter, look.rect, look.selected);
    }
    painter.setClipping(false);

    if (frameWidth > 0) {
        QStyleOptionFrame frame;
        frame.rect = rect();
        frame.palette = palette();
        frame.state = QStyle::State_None;
        frame.lineWidth = frameWidth;
        frame.midLineWidth = 0;
        style()->drawPrimitive(QStyle::PE_FrameMenu, &frame, &painter, this);
    }
}

void TOwnerDrawnMenu::drawSubmenuArrow(QPainter &painter, const QRect &rect, bool selected)
{
    const int size = (rect.height() - 4) / 2;
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = QRect(rect.left() + rect.width() - 3 - size,
        rect.top() + rect.height() / 2 - size / 2, size, size);
    arrow.state = QStyle::State_Enabled;
    const QColor colour = selected ? Qt::black : Qt::white;
    arrow.palette.setColor(QPalette::WindowText, colour);
    arrow.palette.setColor(QPalette::ButtonText, colour);
    arrow.palette.setColor(QPalette::Text, colour);
    style()->drawPrimitive(layoutDirection() == Qt::RightToLeft ? QStyle::PE_IndicatorArrowLeft
                                                                : QStyle::PE_IndicatorArrowRight,
        &arrow, &painter, this);
}

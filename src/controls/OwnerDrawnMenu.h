#pragma once

#include <QHash>
#include <QMenu>
#include <QRect>
#include <QString>

class QPainter;

// What one menu line shows.
struct MenuItemLook
{
    QRect rect;
    QString caption;
    QString shortcut; // key text at the right edge, "" for none
    bool checked = false;
    bool selected = false; // highlighted under the pointer or the keyboard
};

// Draws one menu line: Arial in the menu's size, white on dark grey or black on silver when
// highlighted, "x" for a checked item, the caption after it and the key text at the right.
// Radio and check items look the same.
void Text1DrawItem(QPainter &painter, const QFont &menuFont, const MenuItemLook &item);

// A popup menu that shows command items of a window and draws every line itself.
//
// The menu holds an entry of its own for each item: choosing the entry emits itemChosen with
// the item and never triggers the item, so a check item's mark is only ever flipped by its
// command. The entries follow their items' caption, visibility and enabled state. The key
// texts are only drawn; the menu binds no shortcut.
class TOwnerDrawnMenu : public QMenu
{
    Q_OBJECT

public:
    explicit TOwnerDrawnMenu(QWidget *parent = nullptr);
    explicit TOwnerDrawnMenu(const QString &title, QWidget *parent = nullptr);

    void addItem(QAction *item, const QString &shortcut = QString());
    // A submenu entry; its title is the caption, hint its status tip.
    void addSubmenu(TOwnerDrawnMenu *submenu, const QString &hint = QString());

    // The items and submenus in menu order.
    QList<QAction *> items() const;
    // The menu's own entry that shows item, or null.
    QAction *entryOf(const QAction *item) const;
    // The item that entry shows, or null.
    QAction *itemOf(const QAction *entry) const;
    QString shortcutOf(const QAction *item) const;
    // How an entry's line looks now, for drawing.
    MenuItemLook lookOf(QAction *entry) const;

signals:
    void itemChosen(QAction *item);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void init();
    void follow(QAction *entry);
    void drawSubmenuArrow(QPainter &painter, const QRect &rect, bool selected);

    QHash<const QAction *, QAction *> m_itemOfEntry;
    QHash<const QAction *, QAction *> m_entryOfItem;
    QHash<const QAction *, QString> m_shortcutOfEntry;
};

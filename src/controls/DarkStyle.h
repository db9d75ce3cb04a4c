#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <QWidget>

// The look every window of the program shares: dark grey panels with white Arial text.

// The program's dark grey, red, green and blue 73 each.
inline QColor DarkGrey()
{
    return QColor(73, 73, 73);
}

// "Arial" at a height in pixels (the windows are not scaled with the desktop's text size).
// Every style attribute is set, so none is inherited from a parent that shows the player's
// board font.
inline QFont ArialFont(int pixelHeight, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

// A dark grey background, filled by the widget itself, and white Arial text.
inline void SetDarkLook(QWidget &widget, int fontPixelHeight)
{
    QPalette colours = widget.palette();
    colours.setColor(QPalette::Window, DarkGrey());
    colours.setColor(QPalette::WindowText, Qt::white);
    widget.setPalette(colours);
    widget.setAutoFillBackground(true);
    widget.setFont(ArialFont(fontPixelHeight));
}

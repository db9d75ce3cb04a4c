#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The look every window of the program shares: dark grey panels with white Arial text.

// The program's dark grey, red, green and blue 73 each.
inline QColor DarkGrey()
{
    return QColor(73, 73, 73);
}

// "Arial" at a height in pixels (the windows are not scaled with the desktop's text size).
inline QFont ArialFont(int pixelHeight, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}

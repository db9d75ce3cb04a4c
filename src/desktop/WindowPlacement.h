#pragma once

// Where the game puts its windows: centred over another window, and always whole on the
// screen's available area; and the sizes they announce to the window manager.

#include <QPoint>
#include <QRect>

class QWidget;

// The available area of the screen that shows a window (the primary screen when it has none).
QRect AvailableScreenArea(const QWidget &window);

// Where the window system has a top-level window now. A window manager that reparents a window
// may move it without telling the toolkit (the toolkit then believes it at 0,0 right after
// start-up); this asks the window system itself and brings the toolkit's idea in step.
QPoint RealWindowPosition(QWidget &window);

// A point of a widget (in its own coordinates) on the screen, from where the window system has
// its window now: every screen point the program computes (menus, the pointer, screen grabs)
// comes from here.
QPoint ScreenPoint(QWidget &widget, QPoint point);

// The place of `window` centred over `over` (integer halves, truncating), as `over` stands on
// the screen now; moved back onto the screen's available area where it would leave it.
QPoint CenteredOver(const QWidget &window, QWidget &over);
QPoint CenteredOver(const QWidget &window, const QRect &over);

// The place of a window of the size beside `over`, `gap` pixels away, where the area has room:
// on its right, else on its left, else below, else above; where none has room, over it, moved
// onto the area.
QPoint Beside(QSize window, const QRect &over, const QRect &area, int gap);
// The place of `window` beside `owner`, as `owner` stands on the screen now.
QPoint Beside(const QWidget &window, QWidget &owner);

// A window's place moved just as far as it takes to lie whole on the area (its top-left wins
// where it is larger than the area).
QPoint KeptOnScreen(QRect window, const QRect &area);

// Hands a drag of the window by the pointer over to the window system, as if it had begun at
// `pressed` (a screen point): the window follows the pointer from there, so the way the pointer
// went before the hand-over counts. False where the window system cannot move the window.
bool StartSystemMove(QWidget &window, QPoint pressed);

// Tells the window manager, now and after every resize, that the window takes no other size than
// the one it has (minimum = maximum), so that tiling window managers float it rather than
// stretch it. The window itself may still resize: while the toolkit asks for a new size the
// announced one does not stand in its way.
void KeepFixedSize(QWidget &window);

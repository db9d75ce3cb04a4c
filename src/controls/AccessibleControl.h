#pragma once

#include <QAccessible>
#include <QString>

#include <functional>

class QWidget;

// What assistive technology learns of a control that draws itself: the role it plays, the
// name it goes by while the widget has no accessible name of its own (the text it shows),
// and, for a control that acts on a click, what the "press" action does instead of a click.
struct AccessibleLook
{
    std::function<QAccessible::Role(const QWidget &)> role;
    std::function<QString(const QWidget &)> shownText;
    // Called only while the role is a push button and the control is enabled.
    std::function<void(QWidget &)> press;
};

// Every widget of the class (its Qt class name, which classes derived without a Q_OBJECT of
// their own share) is seen as look describes. Registered once per class, before the first
// widget of it is asked for.
void RegisterAccessibleLook(const QString &className, AccessibleLook look);

#pragma once

#include <QCursor>
#include <QList>

// Takes the program's override cursors off for as long as it lives and puts them back, in
// their order, when it goes. The toolkit's dialogs (file, colour, font, message box) show
// their own pointers: a text field's I-beam, a hand over a link.
class OverrideCursorLift
{
public:
    OverrideCursorLift();
    ~OverrideCursorLift();

    OverrideCursorLift(const OverrideCursorLift &) = delete;
    OverrideCursorLift &operator=(const OverrideCursorLift &) = delete;

private:
    QList<QCursor> m_lifted; // topmost first
};

#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Gives the keyboard back to the main window when another window of the program that had it
// goes away (the start window, the high score window, a message box). A window manager does
// that by itself; without one the focus would stay on the bare screen until the player clicks.
class FocusReturn : public QObject
{
    Q_OBJECT

public:
    // Watches every window of the program while the main window lives.
    explicit FocusReturn(QWidget *mainWindow);
    ~FocusReturn() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void returnFocus();

    QPointer<QWidget> m_main;
};

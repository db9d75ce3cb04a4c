#pragma once

#include <QWidget>

class QLabel;
class QTimer;
class TPanel;

// The small window that shows while a game is being mixed: "Spielen!" over a seconds
// counter. A click on it tells the shuffle that the player wants to start.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);

    TPanel *Panel1;
    QLabel *Label1; // seconds since the window showed
    QLabel *Label2; // "Spielen!"
    QTimer *Mischtimer;

    // Whole seconds counted since the window showed (the timer's tag).
    int seconds() const { return m_seconds; }

    void MischtimerTimer();
    // The labels let the mouse through, so this serves Label1 and Label2 as well.
    void Panel1Click();

signals:
    // The player clicked the window, or closed it; it has hidden itself.
    void dismissed();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormShow();
    void FormHide();
    void dismiss();

    int m_seconds = 0;
};

#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

class QEventLoop;
class QLabel;
class TPanel;
class TSpezialButton;

// The message at the end of a game: a headline and the time the player took. Shown
// modally; a click anywhere on it, Esc, Enter or Space closes it.
class TMeldung : public QWidget
{
    Q_OBJECT

public:
    explicit TMeldung(QWidget *parent = nullptr);
    ~TMeldung() override;

    TPanel *Panel1;
    QLabel *Label4; // headline
    QLabel *Label1; // fixed line before the time
    QLabel *Label3; // time line
    TSpezialButton *SpezialButton4;

    void setHeadline(const QString &text);
    void setTimeLine(const QString &text);

    // Shows the window and returns when it has been closed. With a valid rectangle the
    // window is first centred over it. Other windows' timers keep running meanwhile.
    void showModal(const QRect &centreOver = QRect());
    bool isRunningModal() const { return m_modalLoop != nullptr; }

    void FormClick();
    void SpezialButton4Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QEventLoop *m_modalLoop = nullptr;
    bool m_pressed = false;
};

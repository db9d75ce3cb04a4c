#pragma once

#include <QRect>
#include <QWidget>

#include <functional>

class QEventLoop;
class QLabel;
class QTimer;
class TPanel;

// The farewell window shown while the program closes: name, version and a countdown. It
// stays two seconds, one if the player clicks during the first, or closes at once on a
// click after the first second.
class TAboutBox : public QWidget
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget *parent = nullptr);
    ~TAboutBox() override;

    static constexpr int FarewellTicks = 20;

    TPanel *Panel1;
    QLabel *Label1; // the program's name
    QLabel *Label2; // its version
    QLabel *Image1; // the icon
    QLabel *Zeit; // whole seconds left
    QList<QLabel *> creditLines;
    QTimer *Timer1;

    // F1 opens the help through this.
    std::function<void()> openHelp;

    int ticks() const { return m_ticks; }
    bool wasClicked() const { return m_clicked; }
    // Whether a request to close would be granted now.
    bool mayClose() const;

    // Centres the window over rectangle (the main window's geometry), shows it and returns
    // when it has closed. Other windows' timers keep running meanwhile.
    void showModal(const QRect &centreOver);

    void Timer1Timer();
    void Panel1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormShow();

    QEventLoop *m_modalLoop = nullptr;
    int m_ticks = 0;
    bool m_clicked = false;
};

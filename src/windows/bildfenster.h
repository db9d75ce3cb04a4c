#pragma once

#include <QWidget>

class TFormRegion;
class TSpezialButton;
class TPieceImage;

// The solution window: the whole picture of the board in a 12-pixel frame. The main window
// puts the picture control on it (at (12, 12)) and sizes it; the window draws its frame,
// keeps its close button in the top-right corner and can be dragged by its client area. Esc
// closes it as the close button does.
class TVorschauFenster : public QWidget
{
    Q_OBJECT

public:
    explicit TVorschauFenster(QWidget *parent = nullptr);

    static constexpr int FrameWidth = 12;

    TFormRegion *FormRegion1 = nullptr;
    TSpezialButton *SpezialButton4 = nullptr;
    // The solution picture, drawn unscaled inside the frame.
    TPieceImage *VorschauBild = nullptr;

    // Takes the size for a picture and shows only the frame until the picture comes.
    void prepareFor(QSize pictureSize);
    // Shows the picture and gives the window its rounded outline.
    void setPicture(const QPixmap &picture);

    void SpezialButton4Click();

signals:
    // The window was closed, by "×" or by the window system; it is hidden now.
    void closed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void childEvent(QChildEvent *event) override;

private:
    void FormResize(QString &region);

    // Distance of the close button's right edge to the window's right edge.
    int m_buttonRightDistance = 0;
};

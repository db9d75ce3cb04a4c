#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

// The small owner-drawn title-bar button of the borderless windows: a panel with a one-pixel
// bevel that shows a text at a chosen offset, a small picture or a centred caption, and sinks
// by one pixel while the pointer is over it.
//
// While hovering it holds the mouse grab, so it sees the first move outside and needs no
// timer. Its two children are transparent for the mouse: every press, release and move over
// them reaches the button itself.
class TSpezialButton;

// The "×" button of a window's caption area, named SpezialButton4 as in every window.
TSpezialButton *CreateCloseButton(QWidget *parent, QPoint topLeft);

class TSpezialButton : public QWidget
{
    Q_OBJECT

public:
    explicit TSpezialButton(QWidget *parent = nullptr);
    ~TSpezialButton() override;

    QPixmap Bild() const;
    void setBild(const QPixmap &picture);
    QString Beschriftung() const;
    void setBeschriftung(const QString &text);
    int BeschriftungLeft() const;
    void setBeschriftungLeft(int x);
    int BeschriftungTop() const;
    void setBeschriftungTop(int y);

    // The panel's own caption, centred in the inside.
    QString Caption() const;
    void setCaption(const QString &text);

    // Background inside the bevel.
    QColor Color() const;
    void setColor(const QColor &color);

    // Text colour of both captions (the palette's WindowText).
    QColor fontColor() const;
    void setFontColor(const QColor &color);

    // Hover state: bevel lowered, pointer grabbed, text and picture one pixel lower.
    bool isHovering() const { return m_lowered; }

    QLabel *CaptionLabel() const { return m_captionLabel; }
    QLabel *PictureImage() const { return m_pictureImage; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void enterHover();
    void leaveHover();
    void fillInsideWithPicture();
    void dropGrab();
    bool holdsGrab() const;

    QLabel *m_captionLabel;
    QLabel *m_pictureImage;
    QPixmap m_bild;
    QString m_caption;
    QColor m_color;
    bool m_lowered = false;
    bool m_leftPressed = false;
    bool m_watchingGrab = false;
};

#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

class QWindow;

// The small owner-drawn title-bar button of the borderless windows: a panel with a one-pixel
// bevel that shows a text at a chosen offset, a small picture or a centred caption, and sinks
// by one pixel while the pointer is over it.
//
// It paints all of it itself, and watches the pointer without grabbing it: while it hovers it
// follows every move over its window, so it sees the first move outside it (the pixel just past
// its right and bottom edges still counts as inside) and needs no timer. Grabbing the mouse
// outside popups is refused on Wayland, and the refusal is printed at every click.
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
    // The text, drawn unclipped by the bevel but clipped to the button, at an offset that
    // sinks by one pixel while the button hovers.
    QString Beschriftung() const;
    void setBeschriftung(const QString &text);
    int BeschriftungLeft() const;
    void setBeschriftungLeft(int x);
    int BeschriftungTop() const;
    void setBeschriftungTop(int y);

    // The panel's own caption, centred in the inside; it does not sink.
    QString Caption() const;
    void setCaption(const QString &text);

    // Background inside the bevel.
    QColor Color() const;
    void setColor(const QColor &color);

    // Text colour of both captions (the palette's WindowText).
    QColor fontColor() const;
    void setFontColor(const QColor &color);

    // Hover state: bevel lowered, text and picture one pixel lower.
    bool isHovering() const { return m_lowered; }
    // Where the picture shows, clipped to it: the inside of the bevel, one pixel lower while
    // the button hovers.
    QRect pictureArea() const { return m_pictureArea; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followPointer(QPointF globalPosition);
    void enterHover();
    void leaveHover();
    void fillInsideWithPicture();

    QPixmap m_bild;
    QPixmap m_shownPicture; // m_bild with its background left out
    QString m_beschriftung;
    QPoint m_beschriftungPosition;
    QString m_caption;
    QColor m_color;
    QRect m_pictureArea;
    QWindow *m_watchedWindow = nullptr; // followed while hovering
    bool m_lowered = false;
    bool m_leftPressed = false;
};

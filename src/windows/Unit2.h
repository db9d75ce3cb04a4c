#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

// The magnifier: a small borderless window that shows a piece of the board enlarged. The
// main window places it and hands it what to show.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm2(QWidget *parent = nullptr);

    static constexpr int BorderWidth = 2;
    static constexpr int ClientSize = 200;

    // The area the picture is stretched into, inside the border.
    QRect clientRect() const;
    int ClientWidth() const { return clientRect().width(); }
    int ClientHeight() const { return clientRect().height(); }

    const QImage &picture() const { return m_picture; }
    // Shows picture stretched over the whole client area.
    void setPicture(const QImage &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
};

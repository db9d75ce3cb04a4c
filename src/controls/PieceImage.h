#pragma once

#include <QPixmap>
#include <QWidget>

// The piece of the picture a tile shows: a bitmap of the tile's size drawn unscaled from the
// top-left corner of the area inside the tile's frame.
class TPieceImage : public QWidget
{
    Q_OBJECT

public:
    explicit TPieceImage(QWidget *parent = nullptr);

    const QPixmap &picture() const { return m_picture; }
    void setPicture(const QPixmap &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
};

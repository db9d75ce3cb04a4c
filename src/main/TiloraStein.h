#pragma once

#include "controls/PieceImage.h"

#include <QColor>
#include <QLabel>
#include <QWidget>

// One tile of the board. Its home cell never changes; where it stands now is the board's
// business (the game's puzzle, shown by the main window).
class TTiloraStein : public QWidget
{
    Q_OBJECT

public:
    TTiloraStein(QWidget *board, int homeCol, int homeRow, int width, int height,
                 const QString &numberText);

    const int HomeCol;
    const int HomeRow;
    TPieceImage *const PieceImage;
    QLabel *const NumberLabel;

    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    // The raised one-pixel frame of "Steine umrahmen".
    bool isFramed() const { return m_framed; }
    void setFramed(bool framed);

    // Re-lays the children after a change of the tile's size or frame.
    void layoutChildren();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor m_color;
    bool m_framed = false;
};

#pragma once

#include <QColor>
#include "controls/DarkStyle.h"
#include <QString>
#include <QWidget>

// A plain panel: a background colour, an optional centred caption and up to two one-pixel
// bevels (outer and inner), raised or lowered. The program's "Mischen!" and "Pause!" panels,
// the start window's and the message window's panels are such panels. A left press and
// release inside it is a click.
class TPanel : public QWidget
{
    Q_OBJECT

public:
    enum class Bevel { None, Raised, Lowered };

    explicit TPanel(QWidget *parent = nullptr);

    QColor Color() const { return m_color; }
    void setColor(const QColor &color);

    QString Caption() const { return m_caption; }
    void setCaption(const QString &caption);

    QColor fontColor() const { return m_fontColor; }
    void setFontColor(const QColor &color);

    Bevel BevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(Bevel bevel);
    Bevel BevelInner() const { return m_bevelInner; }
    void setBevelInner(Bevel bevel);

    // The area inside the bevels, where children that fill the panel go.
    QRect clientRect() const;

    // Whether a click does anything: only then is the panel a button to assistive technology.
    bool isClickable() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QColor m_color = DarkGrey();
    QColor m_fontColor{Qt::white};
    QString m_caption;
    Bevel m_bevelOuter = Bevel::None;
    Bevel m_bevelInner = Bevel::None;
    bool m_pressed = false;
};

// Draws a one-pixel bevel just inside rect: highlight on the top and left, shadow on the
// bottom and right for a raised edge, the other way round for a lowered one.
void PaintBevel(QPainter &painter, const QRect &rect, TPanel::Bevel bevel,
                const QPalette &palette);

#include "windows/bildfenster.h"
#include "controls/DarkStyle.h"

#include "controls/PieceImage.h"
#include "controls/SpezialButton.h"
#include "desktop/Resources.h"
#include "logic/BoardLogic.h"
#include "region/FormRgn.h"

#include <QChildEvent>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

TVorschauFenster::TVorschauFenster(QWidget *parent)
    // A dialog, so that the window manager learns whose window it is (X11 ties only dialogs
    // and tool windows to their owner).
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setWindowTitle(QStringLiteral("Lösungsbild"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // The game shows this window by itself: the keys stay with the main window.
    setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, DarkGrey());
    setPalette(colours);
    setAutoFillBackground(true);
    setCursor(Qt::CrossCursor);
    resize(324, 324);

    VorschauBild = new TPieceImage(this);
    VorschauBild->setObjectName(QStringLiteral("VorschauBild"));
    VorschauBild->move(FrameWidth, FrameWidth);

    SpezialButton4 = CreateCloseButton(this, QPoint(300, 12));
    m_buttonRightDistance = width() - SpezialButton4->geometry().right() - 1;
    connect(SpezialButton4, &TSpezialButton::clicked, this, &TVorschauFenster::SpezialButton4Click);

    FormRegion1 = new TFormRegion(this);
    FormRegion1->setObjectName(QStringLiteral("FormRegion1"));
    FormRegion1->setClientDrag(true);
    FormRegion1->setOnSizeChanged([this](TFormRegion *, QString &region) { FormResize(region); });
    FormRegion1->setRegion(PreviewResizeOutline(width(), height()));
}

void TVorschauFenster::prepareFor(QSize pictureSize)
{
    resize(pictureSize.width() + 2 * FrameWidth, pictureSize.height() + 2 * FrameWidth);
    VorschauBild->hide();
    FormRegion1->setRegion(PreviewBuildingOutline(width(), height()));
}

void TVorschauFenster::setPicture(const QPixmap &picture)
{
    VorschauBild->setGeometry(
        QRect(QPoint(FrameWidth, FrameWidth), picture.deviceIndependentSize().toSize()));
    VorschauBild->setPicture(picture);
    VorschauBild->show();
    FormRegion1->setRegion(RoundedOutline(width(), height()));
}

// Every change of size rounds the corners anew. Qt holds back the resize events of a hidden
// window until it shows; by then whoever sized it has given it the outline it wants, so
// those late events leave the outline alone.
void TVorschauFenster::FormResize(QString &region)
{
    if (isVisible())
        region = PreviewResizeOutline(width(), height());
}

void TVorschauFenster::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    SpezialButton4->move(
        width() - m_buttonRightDistance - SpezialButton4->width(), SpezialButton4->y());
}

void TVorschauFenster::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintFrame(painter, rect(), FrameSet::Preview);
}

void TVorschauFenster::SpezialButton4Click()
{
    close();
}

void TVorschauFenster::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        SpezialButton4Click();
    else
        QWidget::keyPressEvent(event);
}

void TVorschauFenster::closeEvent(QCloseEvent *event)
{
    const bool wasShown = isVisible();
    event->accept();
    hide();
    // The main window keeps a mark that says whether this window shows.
    if (wasShown)
        emit closed();
}

// The picture control is put on the window anew with every board; the close button must
// stay above it.
void TVorschauFenster::childEvent(QChildEvent *event)
{
    QWidget::childEvent(event);
    if ((event->added() || event->polished()) && event->child() != SpezialButton4
        && event->child()->isWidgetType() && SpezialButton4)
        SpezialButton4->raise();
}

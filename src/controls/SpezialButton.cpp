#include "controls/SpezialButton.h"

#include "controls/DarkStyle.h"

#include <QApplication>
#include <QBitmap>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <QtMath>

namespace {

// The pixel under a pointer position; Qt may hand us fractional positions.
QPoint pixelAt(const QPointF &position)
{
    return QPoint(qFloor(position.x()), qFloor(position.y()));
}

// The colour of the bottom-left pixel is the picture's background and is left out. A
// monochrome picture keeps its white out instead.
QPixmap withBackgroundLeftOut(const QPixmap &picture)
{
    if (picture.isNull())
        return picture;
    const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QColor background = picture.depth() == 1
        ? QColor(Qt::white)
        : QColor::fromRgba(image.pixel(0, image.height() - 1));
    QPixmap result = QPixmap::fromImage(image);
    // MaskInColor: the pixels of that colour become the transparent ones.
    result.setMask(
        QBitmap::fromImage(image.createMaskFromColor(background.rgba(), Qt::MaskInColor)));
    return result;
}

bool isMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
}

} // namespace

TSpezialButton::TSpezialButton(QWidget *parent)
    : QWidget(parent)
    , m_captionLabel(new QLabel(this))
    , m_pictureImage(new QLabel(this)) // created second, so it lies above the caption
    , m_color(DarkGrey())
{
    setFont(ArialFont(11));
    setFontColor(Qt::white);

    // Moves without a pressed button are what starts the hover state.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    for (QLabel *child : {m_captionLabel, m_pictureImage}) {
        // Presses and moves over the children belong to the button.
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
        child->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        child->setMargin(0);
        child->setIndent(0);
    }
    m_captionLabel->setTextFormat(Qt::PlainText);
    m_captionLabel->adjustSize();

    resize(12, 12);
    fillInsideWithPicture();
}

TSpezialButton::~TSpezialButton()
{
    dropGrab();
}

QPixmap TSpezialButton::Bild() const
{
    return m_bild;
}

void TSpezialButton::setBild(const QPixmap &picture)
{
    m_bild = picture;
    m_pictureImage->setPixmap(withBackgroundLeftOut(picture));
}

QString TSpezialButton::Beschriftung() const
{
    return m_captionLabel->text();
}

void TSpezialButton::setBeschriftung(const QString &text)
{
    m_captionLabel->setText(text);
    m_captionLabel->adjustSize();
}

int TSpezialButton::BeschriftungLeft() const
{
    return m_captionLabel->x();
}

void TSpezialButton::setBeschriftungLeft(int x)
{
    m_captionLabel->move(x, m_captionLabel->y());
}

int TSpezialButton::BeschriftungTop() const
{
    return m_captionLabel->y();
}

void TSpezialButton::setBeschriftungTop(int y)
{
    m_captionLabel->move(m_captionLabel->x(), y);
}

QString TSpezialButton::Caption() const
{
    return m_caption;
}

void TSpezialButton::setCaption(const QString &text)
{
    m_caption = text;
    update();
}

QColor TSpezialButton::Color() const
{
    return m_color;
}

void TSpezialButton::setColor(const QColor &color)
{
    m_color = color;
    update();
}

QColor TSpezialButton::fontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TSpezialButton::setFontColor(const QColor &color)
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color);
    setPalette(colours);
}

void TSpezialButton::paintEvent(QPaintEvent *)
{
    const int w = width();
    const int h = height();
    if (w <= 0 || h <= 0)
        return;
    QPainter painter(this);

    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor upper = m_lowered ? shadow : highlight;
    const QColor lower = m_lowered ? highlight : shadow;
    // The lower colour owns the top-right and bottom-left corners.
    painter.fillRect(0, 0, 1, h - 1, upper);
    painter.fillRect(0, 0, w - 1, 1, upper);
    painter.fillRect(w - 1, 0, 1, h, lower);
    painter.fillRect(0, h - 1, w, 1, lower);

    const QRect inside = rect().adjusted(1, 1, -1, -1);
    if (inside.isEmpty())
        return;
    painter.fillRect(inside, m_color);

    if (!m_caption.isEmpty()) {
        // Centred on the line height, so captions with and without descenders sit alike.
        const int lineHeight
            = QFontMetrics(font()).size(Qt::TextSingleLine, QStringLiteral("W")).height();
        const int top = (inside.top() + inside.bottom() + 1 - lineHeight) / 2;
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(inside.left(), top, inside.width(), lineHeight),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextExpandTabs, m_caption);
    }
}

void TSpezialButton::resizeEvent(QResizeEvent *)
{
    // A sunk picture keeps its place until the hover ends.
    if (!m_lowered)
        fillInsideWithPicture();
}

void TSpezialButton::mouseMoveEvent(QMouseEvent *event)
{
    // Someone else took the grab without telling us: the hover is over.
    if (m_lowered && !holdsGrab())
        leaveHover();

    const QPoint at = pixelAt(event->position());
    // The far edge still counts as inside.
    const bool inside = at.x() >= 0 && at.x() <= width() && at.y() >= 0 && at.y() <= height();
    if (inside && !m_lowered)
        enterHover();
    else if (!inside && m_lowered)
        leaveHover();
}

void TSpezialButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
}

void TSpezialButton::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = event->button() == Qt::LeftButton && m_leftPressed
        && rect().contains(pixelAt(event->position()));
    if (event->button() == Qt::LeftButton)
        m_leftPressed = false;

    // The end of a press ends the grab, so the button is normal again even with the pointer
    // still over it; the next move makes it hover.
    leaveHover();
    if (click)
        emit clicked();
}

void TSpezialButton::leaveEvent(QEvent *)
{
    if (m_lowered && !holdsGrab())
        leaveHover();
}

void TSpezialButton::hideEvent(QHideEvent *)
{
    leaveHover();
    m_leftPressed = false;
}

void TSpezialButton::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        m_captionLabel->adjustSize();
        update();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            leaveHover();
            m_leftPressed = false;
        }
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

bool TSpezialButton::event(QEvent *event)
{
    // A window that loses activation loses the pointer as well.
    if (event->type() == QEvent::WindowDeactivate)
        leaveHover();
    return QWidget::event(event);
}

bool TSpezialButton::eventFilter(QObject *watched, QEvent *event)
{
    // Qt says nothing when another widget grabs the mouse; the next mouse event anywhere
    // shows it.
    if (m_lowered && isMouseEvent(event->type()) && !holdsGrab())
        leaveHover();
    return QWidget::eventFilter(watched, event);
}

void TSpezialButton::enterHover()
{
    m_lowered = true;
    grabMouse();
    if (!m_watchingGrab) {
        qApp->installEventFilter(this);
        m_watchingGrab = true;
    }
    m_pictureImage->move(m_pictureImage->x(), m_pictureImage->y() + 1);
    m_captionLabel->move(m_captionLabel->x(), m_captionLabel->y() + 1);
    update();
}

// Ends the hover state, whether the pointer left or the grab went away. Only a lowered
// button has sunk its caption and picture, so they come back up exactly once.
void TSpezialButton::leaveHover()
{
    if (m_lowered) {
        m_lowered = false;
        m_captionLabel->move(m_captionLabel->x(), m_captionLabel->y() - 1);
        fillInsideWithPicture();
        update();
    }
    dropGrab();
}

void TSpezialButton::fillInsideWithPicture()
{
    m_pictureImage->setGeometry(rect().adjusted(1, 1, -1, -1));
}

void TSpezialButton::dropGrab()
{
    if (holdsGrab())
        releaseMouse();
    if (m_watchingGrab) {
        qApp->removeEventFilter(this);
        m_watchingGrab = false;
    }
}

bool TSpezialButton::holdsGrab() const
{
    return QWidget::mouseGrabber() == this;
}

TSpezialButton *CreateCloseButton(QWidget *parent, QPoint topLeft)
{
    auto *button = new TSpezialButton(parent);
    button->setObjectName(QStringLiteral("SpezialButton4"));
    button->move(topLeft);
    button->setBeschriftung(QStringLiteral("×"));
    button->setBeschriftungLeft(4);
    button->setBeschriftungTop(-1);
    return button;
}

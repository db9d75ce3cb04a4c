#include "controls/SpezialButton.h"

#include "controls/AccessibleControl.h"
#include "controls/DarkStyle.h"
#include "desktop/Resources.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

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
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb background
        = picture.depth() == 1 ? qRgb(255, 255, 255) : image.pixel(0, image.height() - 1);
    return QPixmap::fromImage(WithColourLeftOut(std::move(image), background));
}

bool isMouseEvent(QEvent::Type type)
{
    return type == QEvent::MouseMove || type == QEvent::MouseButtonPress
        || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
}

} // namespace

TSpezialButton::TSpezialButton(QWidget *parent)
    : QWidget(parent)
    , m_color(DarkGrey())
{
    setFont(ArialFont(11));
    setFontColor(Qt::white);

    // Moves without a pressed button are what starts the hover state.
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    resize(12, 12);
    fillInsideWithPicture();

    // A push button to assistive technology, named by its caption unless given a name.
    static const bool registered = [] {
        RegisterAccessibleLook(QStringLiteral("TSpezialButton"),
            {[](const QWidget &) { return QAccessible::Button; },
                [](const QWidget &button) {
                    return static_cast<const TSpezialButton &>(button).Caption();
                },
                [](QWidget &button) { emit static_cast<TSpezialButton &>(button).clicked(); }});
        return true;
    }();
    Q_UNUSED(registered);
}

TSpezialButton::~TSpezialButton()
{
    if (m_lowered)
        qApp->removeEventFilter(this);
}

QPixmap TSpezialButton::Bild() const
{
    return m_bild;
}

void TSpezialButton::setBild(const QPixmap &picture)
{
    m_bild = picture;
    m_shownPicture = withBackgroundLeftOut(picture);
    update();
}

QString TSpezialButton::Beschriftung() const
{
    return m_beschriftung;
}

void TSpezialButton::setBeschriftung(const QString &text)
{
    m_beschriftung = text;
    update();
}

int TSpezialButton::BeschriftungLeft() const
{
    return m_beschriftungPosition.x();
}

void TSpezialButton::setBeschriftungLeft(int x)
{
    m_beschriftungPosition.setX(x);
    update();
}

int TSpezialButton::BeschriftungTop() const
{
    return m_beschriftungPosition.y();
}

void TSpezialButton::setBeschriftungTop(int y)
{
    m_beschriftungPosition.setY(y);
    update();
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

    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    if (!m_caption.isEmpty()) {
        // Centred on the line height, so captions with and without descenders sit alike.
        const int lineHeight = fontMetrics().size(Qt::TextSingleLine, QStringLiteral("W")).height();
        const int top = (inside.top() + inside.bottom() + 1 - lineHeight) / 2;
        painter.drawText(QRect(inside.left(), top, inside.width(), lineHeight),
            Qt::AlignHCenter | Qt::AlignTop | Qt::TextExpandTabs, m_caption);
    }
    // The text in a box of its own size, the picture over it; both may cover the bevel.
    if (!m_beschriftung.isEmpty()) {
        const QRect box(m_beschriftungPosition,
            fontMetrics()
                .boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft | Qt::AlignTop, m_beschriftung)
                .size());
        painter.setClipRect(box);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop, m_beschriftung);
    }
    if (!m_shownPicture.isNull()) {
        painter.setClipRect(m_pictureArea);
        painter.drawPixmap(m_pictureArea.topLeft(), m_shownPicture);
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
    followPointer(event->globalPosition());
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

    // The end of a press ends the hover, so the button is normal again even with the pointer
    // still over it; the next move makes it hover.
    leaveHover();
    if (click)
        emit clicked();
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
    // Installed while hovering. Every move over the button's window reaches the window first,
    // whichever widget it then goes to; the pointer over another window, or out of this one,
    // is outside the button.
    if (watched->isWindowType()) {
        const QEvent::Type type = event->type();
        if (watched != m_watchedWindow && (isMouseEvent(type) || type == QEvent::Enter))
            leaveHover();
        else if (type == QEvent::MouseMove)
            followPointer(static_cast<QMouseEvent *>(event)->globalPosition());
        else if (type == QEvent::Leave)
            leaveHover();
    }
    return QWidget::eventFilter(watched, event);
}

void TSpezialButton::followPointer(QPointF globalPosition)
{
    const QPoint at = pixelAt(mapFromGlobal(globalPosition));
    // The far edge still counts as inside.
    const bool inside = at.x() >= 0 && at.x() <= width() && at.y() >= 0 && at.y() <= height();
    if (inside && !m_lowered)
        enterHover();
    else if (!inside && m_lowered)
        leaveHover();
}

void TSpezialButton::enterHover()
{
    m_lowered = true;
    m_watchedWindow = window()->windowHandle();
    qApp->installEventFilter(this);
    m_pictureArea.translate(0, 1);
    m_beschriftungPosition.ry() += 1;
    update();
}

// Ends the hover state, whether the pointer left, a press ended or the window lost the
// pointer. Only a lowered button has sunk its text and picture, so they come back up exactly
// once.
void TSpezialButton::leaveHover()
{
    if (!m_lowered)
        return;
    m_lowered = false;
    qApp->removeEventFilter(this);
    m_watchedWindow = nullptr;
    m_beschriftungPosition.ry() -= 1;
    fillInsideWithPicture();
    update();
}

void TSpezialButton::fillInsideWithPicture()
{
    m_pictureArea = rect().adjusted(1, 1, -1, -1);
}

TSpezialButton *CreateCloseButton(QWidget *parent, QPoint topLeft)
{
    auto *button = new TSpezialButton(parent);
    button->setObjectName(QStringLiteral("SpezialButton4"));
    button->setAccessibleName(QStringLiteral("Schließen"));
    button->move(topLeft);
    button->setBeschriftung(QStringLiteral("×"));
    button->setBeschriftungLeft(4);
    button->setBeschriftungTop(-1);
    return button;
}

#include "windows/meldungsfenster.h"
#include "desktop/WindowPlacement.h"

#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "desktop/ModalRun.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QShowEvent>

namespace {

QLabel *createLine(TPanel *panel, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, panel);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(geometry);
    // The lines lie transparently on the panel; a click on one is a click on the panel.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

TMeldung::TMeldung(QWidget *parent)
    // A dialog, so that the window manager ties it to its owner.
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , Panel1(new TPanel(this))
{
    setWindowTitle(QStringLiteral("Meldung"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowModality(Qt::ApplicationModal);
    SetDarkLook(*this, 13);
    setFixedSize(266, 50);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 265, 49);
    Panel1->setColor(DarkGrey());
    Panel1->setBevelOuter(TPanel::Bevel::Raised);

    // The headline reaches past both sides of the panel, so long headlines stay centred.
    Label4 = createLine(Panel1, QStringLiteral("Glückwunsch!!!"), QRect(-8, 0, 273, 16));
    // The two lower lines sit on the bottom of the area inside the bevel.
    const QRect inside = Panel1->clientRect();
    Label3 = createLine(
        Panel1, QString(), QRect(inside.left(), inside.bottom() + 1 - 16, inside.width(), 16));
    Label1 = createLine(Panel1, QStringLiteral("Du hast es geschafft! Deine Zeit beträgt "),
        QRect(inside.left(), Label3->y() - 16, inside.width(), 16));

    Label4->setObjectName(QStringLiteral("Label4"));
    Label3->setObjectName(QStringLiteral("Label3"));
    Label1->setObjectName(QStringLiteral("Label1"));
    // A click anywhere closes the message: the panel is named by its headline.
    Panel1->setAccessibleName(Label4->text());

    SpezialButton4 = CreateCloseButton(Panel1, QPoint(249, 3));

    connect(Panel1, &TPanel::clicked, this, &TMeldung::FormClick);
    connect(SpezialButton4, &TSpezialButton::clicked, this, &TMeldung::SpezialButton4Click);
}

TMeldung::~TMeldung()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TMeldung::setHeadline(const QString &text)
{
    Label4->setText(text);
    Panel1->setAccessibleName(text);
}

void TMeldung::setTimeLine(const QString &text)
{
    Label3->setText(text);
}

void TMeldung::showModal(const QRect &centreOver)
{
    if (m_modalLoop)
        return; // already waiting for the player
    if (centreOver.isValid())
        move(CenteredOver(*this, centreOver));
    RunModally(*this, m_modalLoop);
}

void TMeldung::FormClick()
{
    close();
}

void TMeldung::SpezialButton4Click()
{
    close();
}

// The keys that answer a message close it as its "×" does.
void TMeldung::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        SpezialButton4Click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TMeldung::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

// The bare strip of the window that the panel leaves free.
void TMeldung::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = event->button() == Qt::LeftButton && m_pressed
        && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    if (click)
        FormClick();
    else
        QWidget::mouseReleaseEvent(event);
}

void TMeldung::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_modalLoop && !event->spontaneous())
        m_modalLoop->quit();
}

#include "windows/ueberfenster.h"
#include "desktop/WindowPlacement.h"

#include "controls/AccessibleControl.h"
#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "desktop/ModalRun.h"
#include "desktop/Resources.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>

namespace {

QLabel *createText(TPanel *panel, const QString &text, QPoint at)
{
    auto *label = new QLabel(text, panel);
    label->setTextFormat(Qt::PlainText);
    label->move(at);
    label->adjustSize();
    // Clicks on the texts count as clicks on the panel.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , Panel1(new TPanel(this))
    , Timer1(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Tilora"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowModality(Qt::ApplicationModal);
    SetDarkLook(*this, 11);
    setFixedSize(227, 132);
    // F1 reaches the window whatever has the focus; it is a window to assistive technology
    // too, named by its title.
    setFocusPolicy(Qt::StrongFocus);
    static const bool registered = [] {
        RegisterAccessibleLook(QStringLiteral("TAboutBox"),
            {[](const QWidget &) { return QAccessible::Window; }, {}, {}});
        return true;
    }();
    Q_UNUSED(registered);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 225, 131);
    Panel1->setColor(DarkGrey());
    Panel1->setBevelOuter(TPanel::Bevel::Lowered);
    Panel1->setBevelInner(TPanel::Bevel::Raised);
    // A click on the window closes it once the countdown allows; it is named by its heading.
    Panel1->setAccessibleName(QStringLiteral("Tilora"));

    Label1 = createText(Panel1, QStringLiteral("Tilora"), QPoint(66, 8));
    Label2 = createText(Panel1, QStringLiteral("Version " TILORA_VERSION), QPoint(106, 8));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(17, 14, 32, 32);
    Image1->setPixmap(MainIcon().pixmap(32, 32));
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    Zeit = createText(Panel1, QString::number(FarewellTicks / 10), QPoint(5, 2));
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(9);
    Zeit->setObjectName(QStringLiteral("Zeit"));
    Zeit->setFont(small);
    Zeit->adjustSize();

    const QStringList credits = {
        QStringLiteral("Ein Schiebepuzzle für den Linux-Desktop"),
        QStringLiteral("Programmiert mit C++ und Qt"),
        QStringLiteral("Für alle, die gern knobeln"),
        QStringLiteral("Danke fürs Spielen!"),
    };
    const QRect inside = Panel1->clientRect();
    int top = 56;
    for (const QString &line : credits) {
        QLabel *label = createText(Panel1, line, QPoint(inside.left(), top));
        label->setGeometry(inside.left(), top, inside.width(), 16);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        creditLines.append(label);
        top += 17;
    }

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);
    connect(Panel1, &TPanel::clicked, this, &TAboutBox::Panel1Click);
}

TAboutBox::~TAboutBox()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

bool TAboutBox::mayClose() const
{
    return m_ticks >= FarewellTicks || (m_ticks >= FarewellTicks / 2 && m_clicked);
}

void TAboutBox::showModal(const QRect &centreOver)
{
    if (m_modalLoop)
        return;
    move(CenteredOver(*this, centreOver));
    // Its own showing brings it to the front.
    RunModally(*this, m_modalLoop, false);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TAboutBox::FormShow()
{
    raise();
    activateWindow();
    // A fresh countdown for every showing.
    m_ticks = 0;
    m_clicked = false;
    Zeit->setText(QString::number(FarewellTicks / 10));
    setTextColour(Zeit, Qt::white);
    Timer1->start();
}

void TAboutBox::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    Timer1->stop();
    if (m_modalLoop)
        m_modalLoop->quit();
}

void TAboutBox::Timer1Timer()
{
    ++m_ticks;
    Zeit->setText(QString::number(FarewellTicks / 10 - m_ticks / 10));
    if (m_ticks >= FarewellTicks || (m_ticks >= FarewellTicks / 2 && m_clicked))
        close();
}

void TAboutBox::Panel1Click()
{
    m_clicked = true;
    if (m_ticks >= FarewellTicks / 2)
        close();
    else
        setTextColour(Zeit, QColor(255, 0, 0));
}

void TAboutBox::closeEvent(QCloseEvent *event)
{
    // The window manager's close as well: the countdown decides.
    if (mayClose())
        event->accept();
    else
        event->ignore();
}

void TAboutBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        if (openHelp)
            openHelp();
        return;
    }
    QWidget::keyPressEvent(event);
}

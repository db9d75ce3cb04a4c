#include "windows/startenfenster.h"

#include "controls/DarkStyle.h"
#include "controls/Panel.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShowEvent>
#include <QTimer>

namespace {

QLabel *createCentredLabel(
    TPanel *panel, const QString &text, const QFont &font, int top, int height)
{
    auto *label = new QLabel(text, panel);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(0, top, panel->width(), height);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(colours);
    // Transparent over the panel, for painting and for the mouse: a click on a label is a
    // click on the panel.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , Panel1(new TPanel(this))
    , Mischtimer(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Tilora"));
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, DarkGrey());
    setPalette(colours);
    setAutoFillBackground(true);

    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, 73, 33);
    Panel1->setColor(DarkGrey());
    Panel1->setBevelInner(TPanel::Bevel::Lowered);
    // The whole window is the button that ends the shuffle; it reads "Spielen!".
    Panel1->setAccessibleName(QStringLiteral("Spielen!"));

    Label2 = createCentredLabel(Panel1, QStringLiteral("Spielen!"), ArialFont(12), 3, 14);
    // Any font will do for the digits; the name falls back to the default family.
    QFont counterFont(QStringLiteral("AArial"));
    counterFont.setPixelSize(8);
    Label1 = createCentredLabel(Panel1, QStringLiteral("0"), counterFont, 20, 10);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Mischtimer->setObjectName(QStringLiteral("Mischtimer"));

    // Sized to its contents.
    setFixedSize(Panel1->size());

    Mischtimer->setInterval(1000);
    connect(Mischtimer, &QTimer::timeout, this, &TForm3::MischtimerTimer);
    connect(Panel1, &TPanel::clicked, this, &TForm3::Panel1Click);
}

void TForm3::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Qt also sends a show event when the window comes back from being minimised; only a
    // real showing starts a new count.
    if (!event->spontaneous())
        FormShow();
}

void TForm3::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

// Closed through the window manager (Alt+F4, its close button): as good as a click, or a
// shuffle of the player's length could not be ended any more.
void TForm3::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit dismissed();
}

void TForm3::FormShow()
{
    m_seconds = 0;
    Label1->setText(QStringLiteral("0"));
    Mischtimer->start();
}

void TForm3::FormHide()
{
    Mischtimer->stop();
}

void TForm3::MischtimerTimer()
{
    ++m_seconds;
    Label1->setText(QString::number(m_seconds));
}

void TForm3::Panel1Click()
{
    dismiss();
}

void TForm3::dismiss()
{
    Mischtimer->stop();
    hide();
    emit dismissed();
}

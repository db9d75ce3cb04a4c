#include "main/HauptFenster.h"

#include "app/Resources.h"
#include "app/WindowSystem.h"
#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"
#include "windows/bildfenster.h"
#include "windows/ueberfenster.h"
#include "windows/startenfenster.h"
#include "windows/WindowPlacement.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QScreen>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Width of the window as laid out; the right-anchored controls keep their distance to the
// right edge from this width.
constexpr int DesignWidth = 336;

} // namespace

TTiloraForm::TTiloraForm(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    movePointer = [](QPoint point) {
        if (CanMovePointer())
            QCursor::setPos(point);
    };
    grabScreen = [this](const QRect &windowRect) {
        QScreen *screen = this->screen();
        if (!screen)
            return QImage();
        const QPoint topLeft = mapToGlobal(windowRect.topLeft()) - screen->geometry().topLeft();
        return screen->grabWindow(0, topLeft.x(), topLeft.y(), windowRect.width(),
                                  windowRect.height())
            .toImage();
    };
    createControls();
    createMenuItems();
    // The window's creation, in this order: pointers, picture mode, the pending first build,
    // the random source, then the settings file.
    setPointer(QStringLiteral("FINGER1"));
    SetPictureMode(true);
    BoardBuildPending = true;
    seedRandom(quint32(QDateTime::currentMSecsSinceEpoch()));
    ReadSettings();
    // The very first start shows the help, once the window is up.
    if (!m_settings.fileExisted)
        QTimer::singleShot(0, this, [this] { OpenHelp(); });

    connect(SekundenZaehler, &QTimer::timeout, this, &TTiloraForm::SekundenZaehlerTimer);
    connect(AnimTimer, &QTimer::timeout, this, &TTiloraForm::AnimTimerTimer);
    connect(Panel4, &TPanel::clicked, this, &TTiloraForm::Panel4Click);
    connect(Pausenpanel, &TPanel::clicked, this, &TTiloraForm::PausenpanelClick);
    connect(SpezialButton3, &TSpezialButton::clicked, this, &TTiloraForm::HideToTray);
    connect(SpezialButton4, &TSpezialButton::clicked, this, &QWidget::close);
    // A release over a caption button ends a press on the board too.
    for (TSpezialButton *button :
         {SpezialButton1, SpezialButton2, SpezialButton3, SpezialButton4, SpezialButton5})
        button->installEventFilter(this);
}

TTiloraForm::~TTiloraForm()
{
    // No key may reach a window that is half gone.
    delete m_keyHook;
    if (!m_pointer.isEmpty())
        QGuiApplication::restoreOverrideCursor();
}

void TTiloraForm::setWindows(const Windows &windows)
{
    m_windows = windows;
    // Closing the solution window clears the mark of "Lösung anzeigen".
    if (m_windows.preview)
        connect(m_windows.preview, &TVorschauFenster::closed, this, &TTiloraForm::Vorschau1Click);
    if (m_windows.about)
        m_windows.about->openHelp = [this] { OpenHelp(); };
}

void TTiloraForm::createControls()
{
    setWindowTitle(QStringLiteral("Tilora"));
    setWindowIcon(MainIcon());
    move(42, 142);
    resize(DesignWidth, DesignWidth);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, DarkGrey());
    windowPalette.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    setPalette(windowPalette);
    setFont(ArialFont(14));

    FormRegion1 = new TFormRegion(this);
    FormRegion1->setClientDrag(true);

    Brett = new QWidget(this);
    Brett->setObjectName(QStringLiteral("Brett"));
    Brett->setGeometry(FrameWidth, FrameWidth, DesignWidth - 2 * FrameWidth,
                       DesignWidth - 2 * FrameWidth);
    Brett->setAutoFillBackground(true);
    QPalette boardPalette = Brett->palette();
    boardPalette.setColor(QPalette::Window, m_settings.boardColor);
    boardPalette.setColor(QPalette::WindowText, Qt::black);
    Brett->setPalette(boardPalette);
    QFont boardFont(QStringLiteral("Arial"));
    boardFont.setPointSize(9);
    boardFont.setBold(true);
    Brett->setFont(boardFont);
    Brett->installEventFilter(this);

    zeit = new QLabel(QStringLiteral("00:00:00"), this);
    zeit->setObjectName(QStringLiteral("zeit"));
    zeit->setGeometry(55, 2, 216, 14);
    zeit->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    zeit->setFont(ArialFont(11));
    QPalette clockPalette = zeit->palette();
    clockPalette.setColor(QPalette::WindowText, Qt::white);
    zeit->setPalette(clockPalette);
    zeit->setAttribute(Qt::WA_TranslucentBackground);

    auto makeButton = [this](const char *name, int left) {
        auto *button = new TSpezialButton(this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(left, 2, 12, 12);
        button->setColor(DarkGrey());
        button->setFont(ArialFont(11));
        button->setBeschriftungLeft(0);
        button->setBeschriftungTop(0);
        return button;
    };
    SpezialButton5 = makeButton("SpezialButton5", 23);
    SpezialButton5->setBild(ButtonPicture(QStringLiteral("gitter")));
    SpezialButton1 = makeButton("SpezialButton1", 39);
    SpezialButton1->setBild(ButtonPicture(QStringLiteral("lupe")));
    SpezialButton2 = makeButton("SpezialButton2", 274);
    SpezialButton2->setBeschriftung(QStringLiteral("?"));
    SpezialButton2->setBeschriftungLeft(4);
    SpezialButton2->setBeschriftungTop(-1);
    SpezialButton3 = makeButton("SpezialButton3", 289);
    SpezialButton3->setBeschriftung(QStringLiteral("¯"));
    SpezialButton3->setBeschriftungLeft(3);
    SpezialButton3->setBeschriftungTop(6);
    SpezialButton4 = makeButton("SpezialButton4", 303);
    SpezialButton4->setBeschriftung(QStringLiteral("×"));
    SpezialButton4->setBeschriftungLeft(4);
    SpezialButton4->setBeschriftungTop(-1);
    m_buttonRightDistance = {DesignWidth - 274, DesignWidth - 289, DesignWidth - 303};

    Panel4 = new TPanel(Brett);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->resize(83, 37);
    Panel4->setCaption(QStringLiteral("Mischen!"));
    Panel4->setColor(DarkGrey());
    Panel4->setFontColor(Qt::white);
    Panel4->setFont(ArialFont(14, true));
    Panel4->setBevelOuter(TPanel::Bevel::Raised);

    Pausenpanel = new TPanel(this);
    Pausenpanel->setObjectName(QStringLiteral("Pausenpanel"));
    Pausenpanel->resize(73, 33);
    Pausenpanel->setCaption(QStringLiteral("Pause!"));
    Pausenpanel->setColor(DarkGrey());
    Pausenpanel->setFontColor(Qt::white);
    Pausenpanel->setFont(ArialFont(11));
    Pausenpanel->setBevelInner(TPanel::Bevel::Lowered);
    Pausenpanel->hide();

    SekundenZaehler = new QTimer(this);
    SekundenZaehler->setObjectName(QStringLiteral("SekundenZaehler"));
    SekundenZaehler->setInterval(1000);
    AnimTimer = new QTimer(this);
    AnimTimer->setObjectName(QStringLiteral("AnimTimer"));
    AnimTimer->setInterval(30);
    AnimTimer->setTimerType(Qt::PreciseTimer);
}

QString TTiloraForm::outline() const
{
    return FormRegion1->Region();
}

void TTiloraForm::UpdateOutline()
{
    BoardView view{size(), m_building, m_slide, AnimationFrame,
                   AnimationFrames(m_settings.animationSpeed)};
    const QString text = WindowOutline(m_puzzle, view);
    // Setting the same outline again would only cost the window system a round trip.
    if (text != FormRegion1->Region())
        FormRegion1->setRegion(text);
}

QPoint TTiloraForm::cellOfTile(const TTiloraStein *tile) const
{
    if (!tile)
        return QPoint(-1, -1);
    for (int c = 0; c < m_puzzle.gridSize(); ++c) {
        for (int r = 0; r < m_puzzle.gridSize(); ++r) {
            if (m_tileGrid[c][r] == tile)
                return QPoint(c, r);
        }
    }
    return QPoint(-1, -1);
}

TTiloraStein *TTiloraForm::tileOf(QObject *control) const
{
    for (QObject *object = control; object && object != Brett; object = object->parent()) {
        if (auto *tile = qobject_cast<TTiloraStein *>(object))
            return tile;
    }
    return nullptr;
}

void TTiloraForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    PaintFrame(painter, rect(), FrameSet::Main);
}

void TTiloraForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The clock widens with the window; three caption buttons keep to the right edge.
    zeit->setGeometry(55, 2, width() - (DesignWidth - 216), 14);
    placeTopRightButtons();
    UpdateOutline();
}

void TTiloraForm::placeTopRightButtons()
{
    const std::array<TSpezialButton *, 3> buttons{SpezialButton2, SpezialButton3, SpezialButton4};
    for (size_t i = 0; i < buttons.size(); ++i)
        buttons[i]->move(width() - m_buttonRightDistance[i], buttons[i]->y());
}

void TTiloraForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (BoardBuildPending) {
        BoardBuildPending = false;
        RebuildBoard();
    }
}

bool TTiloraForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick
        && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);

    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint position = mouse->position().toPoint();
    if (qobject_cast<TSpezialButton *>(watched)) {
        if (type == QEvent::MouseButtonRelease)
            BoardMouseUp(watched, mouse->button(), position);
        return false; // the button handles its own click
    }
    // The board itself and the pieces and numbers of the tiles.
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        BoardMouseDown(watched, mouse->button(), position);
        break;
    case QEvent::MouseMove:
        BoardMouseMove(watched, mouse->buttons(), position);
        break;
    default:
        BoardMouseUp(watched, mouse->button(), position);
        break;
    }
    return true;
}

void TTiloraForm::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    m_closing = true;
    emit closing();
    SekundenZaehler->stop();
    m_pendingPresses.clear();
    WriteSettings();
    emit settingsWritten();
    if (m_windows.start)
        m_windows.start->hide();
    if (m_windows.about)
        m_windows.about->showModal(QRect(RealWindowPosition(*this), size()));
    QWidget::closeEvent(event);
}

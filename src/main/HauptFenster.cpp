#include "main/HauptFenster.h"

#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "desktop/DocumentViewer.h"
#include "desktop/ErrorReport.h"
#include "desktop/Resources.h"
#include "desktop/WindowPlacement.h"
#include "desktop/WindowSystem.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"
#include "windows/SecondaryWindows.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

// Width of the window as laid out; the right-anchored controls keep their distance to the
// right edge from this width.
static constexpr int DesignWidth = 336;

TTiloraForm::TTiloraForm(const QString &settingsFile, SecondaryWindows &windows, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_windows(windows)
    , m_settingsFile(settingsFile)
{
    hooks.movePointer = [](QPoint point) {
        if (CanMovePointer())
            QCursor::setPos(point);
    };
    hooks.grabScreen = [this](const QRect &windowRect) {
        QScreen *screen = this->screen();
        if (!screen)
            return QImage();
        const QPoint topLeft
            = ScreenPoint(*this, windowRect.topLeft()) - screen->geometry().topLeft();
        return screen
            ->grabWindow(0, topLeft.x(), topLeft.y(), windowRect.width(), windowRect.height())
            .toImage();
    };
    // Where the desktop has no viewer for it, the help shows in a window of the game's own.
    hooks.openDocument = [this](const QString &path) {
        OpenDocument(path, this, [this, path] { ShowDocumentWindow(path, this); });
    };
    createControls();
    createMenus();
    // The window's creation, in this order: pointers, the random source, the settings file;
    // the board is built when the window first shows.
    setPointer(QStringLiteral("FINGER1"));
    m_game.seedRandom(quint32(QDateTime::currentMSecsSinceEpoch()));
    QString problem; // reported once; the file is not written over in this run
    m_game.setSettings(Settings::readFile(m_settingsFile, &problem));
    if (!problem.isEmpty())
        ReportError(problem);
    // The very first start shows the help, once the window is up.
    if (!m_game.settings().fileExisted)
        QTimer::singleShot(0, this, [this] { OpenHelp(); });

    connect(&m_game, &Game::changed, this, &TTiloraForm::render);
    // The end of a game is shown once the move that solved it is done with.
    connect(&m_game, &Game::solved, this,
        [this] { QTimer::singleShot(0, this, [this] { showEndOfGame(); }); });
    connect(SekundenZaehler, &QTimer::timeout, this, &TTiloraForm::SekundenZaehlerTimer);
    connect(AnimTimer, &QTimer::timeout, this, &TTiloraForm::AnimTimerTimer);
    connect(Panel4, &TPanel::clicked, this, &TTiloraForm::Spielstarten1Click);
    connect(Pausenpanel, &TPanel::clicked, &m_game, &Game::togglePause);
    connect(SpezialButton3, &TSpezialButton::clicked, this, &TTiloraForm::HideToTray);
    connect(SpezialButton4, &TSpezialButton::clicked, this, &QWidget::close);
    // A release over a caption button ends a press on the board too.
    for (TSpezialButton *button :
        {SpezialButton1, SpezialButton2, SpezialButton3, SpezialButton4, SpezialButton5})
        button->installEventFilter(this);
    // The menu marks show the settings just read, before the window first shows.
    render();
}

TTiloraForm::~TTiloraForm()
{
    // No key may reach a window that is half gone.
    delete m_keyHook;
    if (!m_pointer.isEmpty())
        QGuiApplication::restoreOverrideCursor();
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
    FormRegion1->setObjectName(QStringLiteral("FormRegion1"));
    FormRegion1->setClientDrag(true);

    Brett = new QWidget(this);
    Brett->setObjectName(QStringLiteral("Brett"));
    Brett->setGeometry(
        FrameWidth, FrameWidth, DesignWidth - 2 * FrameWidth, DesignWidth - 2 * FrameWidth);
    Brett->setAutoFillBackground(true);
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

    // Their pictures and signs say what they do to the eye, their names to assistive technology.
    auto makeButton = [this](const char *name, int left, const char *spoken, const QString &sign,
                          QPoint signAt) {
        auto *button = new TSpezialButton(this);
        button->setObjectName(QLatin1String(name));
        button->setAccessibleName(QString::fromUtf8(spoken));
        button->setGeometry(left, 2, 12, 12);
        button->setColor(DarkGrey());
        button->setFont(ArialFont(11));
        button->setBeschriftung(sign);
        button->setBeschriftungLeft(signAt.x());
        button->setBeschriftungTop(signAt.y());
        return button;
    };
    SpezialButton5 = makeButton("SpezialButton5", 23, "Spielmenü", QString(), {});
    SpezialButton5->setBild(ButtonPicture(QStringLiteral("gitter")));
    SpezialButton1 = makeButton("SpezialButton1", 39, "Optionsmenü", QString(), {});
    SpezialButton1->setBild(ButtonPicture(QStringLiteral("lupe")));
    SpezialButton2 = makeButton("SpezialButton2", 274, "Hilfe", QStringLiteral("?"), {4, -1});
    SpezialButton3 = makeButton("SpezialButton3", 289, "Ablegen", QStringLiteral("¯"), {3, 6});
    SpezialButton4 = makeButton("SpezialButton4", 303, "Beenden", QStringLiteral("×"), {4, -1});

    Panel4 = new TPanel(Brett);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setAccessibleName(QStringLiteral("Mischen!"));
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

TTiloraStein *TTiloraForm::tileOf(QObject *control) const
{
    for (QObject *object = control; object && object != Brett; object = object->parent()) {
        if (auto *tile = qobject_cast<TTiloraStein *>(object))
            return tile;
    }
    return nullptr;
}

void TTiloraForm::render()
{
    showLook(Present(m_game, size()));
}

void TTiloraForm::showLook(const BoardLook &look)
{
    // Setting what is already shown costs little, but for the board's font, which every tile
    // lays its number out again for.
    const BoardLook was = std::exchange(m_look, look);
    showTiles(look);
    Brett->setVisible(look.boardShown);
    if (look.pauseShown) {
        Pausenpanel->move(
            width() / 2 - Pausenpanel->width() / 2, height() / 2 - Pausenpanel->height() / 2);
        Pausenpanel->raise();
    }
    Pausenpanel->setVisible(look.pauseShown);
    Panel4->move(Brett->width() / 2 - 36, Brett->height() / 2 - Panel4->height() / 2);
    Panel4->setVisible(look.shuffleButtonShown);
    if (zeit->text() != look.clock)
        zeit->setText(look.clock);
    if (look.clockTicks != SekundenZaehler->isActive())
        look.clockTicks ? SekundenZaehler->start() : SekundenZaehler->stop();
    if (look.slideTicks != AnimTimer->isActive())
        look.slideTicks ? AnimTimer->start() : AnimTimer->stop();
    if (!look.magnifierMayShow)
        m_windows.magnifier.hide();
    if (!look.startWindowMayShow)
        m_windows.start.hide();
    // The solution window follows its mark once there is a picture to show.
    if (m_tilesGridSize > 0) {
        if (look.solutionShown) {
            TVorschauFenster &preview = m_windows.preview();
            // Beside the board when it first shows, and where the player puts it after that.
            if (!preview.isVisible() && !preview.testAttribute(Qt::WA_Moved))
                preview.move(Beside(preview, *this));
            preview.show();
        } else
            m_windows.preview.hide();
    }
    for (size_t i = 0; i < m_items.size() && i < look.items.size(); ++i) {
        const ItemLook &item = look.items[i];
        m_items[i]->setChecked(item.checked);
        m_items[i]->setVisible(item.visible);
        m_items[i]->setEnabled(item.enabled);
        m_items[i]->setText(item.caption);
    }
    // The board font reaches the tiles and their numbers, and nothing outside the board.
    const bool first = was.items.empty();
    if (first || was.boardFont != look.boardFont)
        Brett->setFont(look.boardFont);
    if (first || was.numberColour != look.numberColour || was.boardColour != look.boardColour) {
        QPalette boardPalette = Brett->palette();
        boardPalette.setColor(QPalette::WindowText, look.numberColour);
        boardPalette.setColor(QPalette::Window, look.boardColour);
        Brett->setPalette(boardPalette);
    }
    // Setting the same outline again would only cost the window system a round trip.
    if (look.outline != FormRegion1->Region())
        FormRegion1->setRegion(look.outline);
}

void TTiloraForm::showTiles(const BoardLook &look)
{
    if (m_tilesGridSize != look.gridSize)
        return; // the tiles of this size are still to be made
    for (int c = 0; c < look.gridSize; ++c) {
        for (int r = 0; r < look.gridSize; ++r) {
            TTiloraStein *tile = m_tilesByHome[c][r];
            if (!tile)
                continue;
            const QPoint place = look.tilePlaces[size_t(c * look.gridSize + r)];
            if (tile->pos() != place)
                tile->move(place);
            tile->setFramed(look.tileFrames);
            tile->NumberLabel->setVisible(look.tileNumbers);
            tile->setColor(look.tileColour);
        }
    }
}

void TTiloraForm::noteSight()
{
    // Out of sight only where the window system really hid the window: a window that stays
    // mapped (no window manager to minimise it) is still seen.
    const QWindow *handle = windowHandle();
    m_game.setInSight(isVisible() && handle && handle->isExposed());
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
    const std::array<std::pair<TSpezialButton *, int>, 3> rightAnchored {
        {{SpezialButton2, DesignWidth - 274}, {SpezialButton3, DesignWidth - 289},
            {SpezialButton4, DesignWidth - 303}}};
    for (const auto &[button, distance] : rightAnchored)
        button->move(width() - distance, button->y());
    render();
}

void TTiloraForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWindow *handle = windowHandle())
        handle->installEventFilter(this); // its exposure says whether the player sees it
    noteSight();
    // The first showing builds the first board.
    if (m_tilesGridSize == 0 && !m_game.isBuilding())
        build(m_game.requestBuild(BoardBuild::NewBoard));
}

void TTiloraForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    noteSight();
}

bool TTiloraForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched->isWindowType()) {
        // The window handle: its exposure, and whether a modal window of ours blocks it.
        if (type == QEvent::Expose)
            noteSight();
        if (type == QEvent::WindowBlocked || type == QEvent::WindowUnblocked)
            m_game.setModalWindowOpen(type == QEvent::WindowBlocked);
        return false;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick
        && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);

    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint position = mouse->position().toPoint();
    if (qobject_cast<TSpezialButton *>(watched)) {
        if (type == QEvent::MouseButtonRelease)
            BoardMouseUp();
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
        BoardMouseUp();
        break;
    }
    return true;
}

void TTiloraForm::closeEvent(QCloseEvent *event)
{
    if (m_game.isClosed()) {
        event->accept();
        return;
    }
    m_game.close();
    emit closing();
    // Settings that cannot be written are lost; the program still ends.
    if (const std::optional<QString> problem = m_game.settings().writeFile(m_settingsFile))
        ReportError(*problem);
    emit settingsWritten();
    m_windows.start.hide();
    m_windows.about().showModal(QRect(RealWindowPosition(*this), size()));
    QWidget::closeEvent(event);
}

void TTiloraForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Whether the player can see the window is the window system's to say: the clock stops
    // only when the window is really out of sight, whichever way it went.
    if (event->type() == QEvent::WindowStateChange)
        noteSight();
}

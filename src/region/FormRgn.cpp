#include "region/FormRgn.h"

#include "desktop/OverrideCursorLift.h"
#include "desktop/WindowPlacement.h"
#include "logic/PlatformChoice.h"

#include <QApplication>
#include <QChildEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWindow>

#include <cstdint>

namespace {

std::optional<CaptionHeights> g_captionHeights;
std::optional<bool> g_windowSystemCutsWindows;

QWidget *requireForm(QWidget *owner, const char *className)
{
    if (!owner || !owner->isWindow())
        throw EOwnerMustBeForm(QStringLiteral("The owner of %1 component must be the TForm "
                                              "descendant")
                                   .arg(QLatin1String(className)));
    return owner;
}

// Expressions count from the outer corner of the window, masks from the client area.
QPoint clientOffset(const QWidget &window)
{
    return window.geometry().topLeft() - window.frameGeometry().topLeft();
}

// Sums and differences wrap around like the language's own arithmetic.
int wrapped(std::int64_t value)
{
    return static_cast<std::int32_t>(value);
}

RegionVariables variablesOf(const QWidget &window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const std::int64_t left = std::int64_t(client.x()) - frame.x();
    const std::int64_t top = std::int64_t(client.y()) - frame.y();
    const CaptionHeights captions = RegionCaptionHeights();
    const bool tool = window.windowType() == Qt::Tool;
    RegionVariables variables;
    variables.x = wrapped(left);
    variables.c = wrapped(top);
    variables.y = wrapped(top - (tool ? captions.tool : captions.normal));
    variables.r = wrapped(left + client.width());
    variables.b = wrapped(top + client.height());
    variables.w = frame.width();
    variables.h = frame.height();
    return variables;
}

// Marks a region (window coordinates) for painting in the window and in every widget on it.
// An update of the window alone would leave out the opaque widgets over the region: Qt keeps
// their pixels, but the clearer may have cleared them.
void updateAllIn(QWidget &widget, const QRegion &region, QPoint offset)
{
    const QRegion local = region.translated(-offset).intersected(widget.rect());
    if (local.isEmpty())
        return;
    widget.update(local);
    for (QObject *child : widget.children()) {
        auto *childWidget = qobject_cast<QWidget *>(child);
        if (childWidget && !childWidget->isWindow() && childWidget->isVisible())
            updateAllIn(*childWidget, region, offset + childWidget->pos());
    }
}

// Lies over the whole window, above its other children, and clears what is outside the
// outline, so that the desktop shows there through the translucent window.
class OutsideClearer : public QWidget
{
public:
    explicit OutsideClearer(QWidget *window)
        : QWidget(window)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(window->rect());
        show();
    }

    void setOutline(const QRegion &outline)
    {
        const QRegion changed = outline.xored(m_outline.value_or(QRegion(rect())));
        m_outline = outline;
        // Where the outline grew, the widgets below the clearer paint again over what it
        // cleared; where it shrank, the clearer, painted last, clears what they painted.
        updateAllIn(*parentWidget(), changed, QPoint());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!m_outline)
            return;
        QPainter painter(this);
        painter.setClipRegion(QRegion(rect()).subtracted(*m_outline));
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(rect(), Qt::transparent);
    }

private:
    std::optional<QRegion> m_outline;
};

} // namespace

std::optional<QRegion> EvaluateRegion(const QString &text, const QWidget &window)
{
    // The notice about a missing name may run an event loop that closes the window.
    const QPointer<QWidget> alive(const_cast<QWidget *>(&window));
    ExternalRegions externals;
    externals.find = [alive](const QString &name) -> std::optional<ExternalShape> {
        if (!alive)
            return std::nullopt;
        const auto candidates
            = alive->findChildren<TExternalRegion *>(QString(), Qt::FindDirectChildrenOnly);
        for (TExternalRegion *candidate : candidates) {
            if (candidate->objectName().compare(name, Qt::CaseInsensitive) == 0) {
                std::optional<QRegion> shape = candidate->shapeForEvaluation();
                return ExternalShape {std::move(shape), candidate->GetReferenceSize()};
            }
        }
        return std::nullopt;
    };
    externals.windowAlive = [alive] { return !alive.isNull(); };
    return EvaluateRegion(text, variablesOf(window), externals);
}

CaptionHeights RegionCaptionHeights()
{
    if (!g_captionHeights) {
        CaptionHeights heights;
        if (QStyle *style = qobject_cast<QApplication *>(QCoreApplication::instance())
                ? QApplication::style()
                : nullptr) {
            QStyleOptionTitleBar option;
            option.titleBarFlags = Qt::Window;
            heights.normal = style->pixelMetric(QStyle::PM_TitleBarHeight, &option);
            option.titleBarFlags = Qt::Tool;
            heights.tool = style->pixelMetric(QStyle::PM_TitleBarHeight, &option);
        }
        g_captionHeights = heights;
    }
    return *g_captionHeights;
}

void SetRegionCaptionHeights(const CaptionHeights &heights)
{
    g_captionHeights = heights;
}

bool WindowSystemCutsWindows()
{
    if (!g_windowSystemCutsWindows) {
        g_windowSystemCutsWindows = !qGuiApp
            || PlatformCutsWindows(QGuiApplication::platformName().toUtf8(),
                                   CurrentPlatformEnvironment());
    }
    return *g_windowSystemCutsWindows;
}

void SetWindowSystemCutsWindows(bool cuts)
{
    g_windowSystemCutsWindows = cuts;
}

void ShowRegionNoticeBox(const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tilora"), message, QMessageBox::Ok);
    const OverrideCursorLift lift; // the box shows its own pointer
    box.exec();
}

// ---------------------------------------------------------------------------------------------
// TRegionComp

TRegionComp::TRegionComp(QWidget *owner, const char *className)
    : QObject(requireForm(owner, className))
    , m_owner(owner)
{
    owner->installEventFilter(this);
}

TRegionComp::~TRegionComp()
{
    // The window keeps the outline it has.
    if (m_owner)
        m_owner->removeEventFilter(this);
}

void TRegionComp::setRegion(const QString &text)
{
    m_region = text;
    if (m_loading)
        return;
    // The notice about a missing external region runs an event loop, in which the window
    // and this component may go away.
    const QPointer<TRegionComp> alive(this);
    BuildRegion();
    if (alive)
        ApplyRegion();
}

void TRegionComp::BeginLoading()
{
    m_loading = true;
}

void TRegionComp::EndLoading()
{
    m_loading = false;
    setRegion(m_region);
}

void TRegionComp::BuildRegion()
{
    m_builtRegion.reset();
    if (m_region.isEmpty() || !m_owner)
        return;
    const QPointer<TRegionComp> alive(this);
    std::optional<QRegion> region = EvaluateRegion(m_region, *m_owner);
    if (alive)
        m_builtRegion = std::move(region);
}

bool TRegionComp::eventFilter(QObject *watched, QEvent *event)
{
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// TFormRegion

TFormRegion::TFormRegion(QWidget *owner)
    : TRegionComp(checkNoOtherFormRegion(owner), "TFormRegion")
{
    startSystemMove = StartSystemMove;
    if (!WindowSystemCutsWindows()) {
        owner->setAttribute(Qt::WA_TranslucentBackground);
        m_outsideClearer = new OutsideClearer(owner);
    }
    KeepFixedSize(*owner);
}

QWidget *TFormRegion::checkNoOtherFormRegion(QWidget *owner)
{
    if (owner && ofWindow(owner))
        throw EDuplicateComponent(
            QStringLiteral("Only one TFormRegion component on a form is allowed"));
    return owner;
}

TFormRegion *TFormRegion::ofWindow(const QWidget *window)
{
    if (!window)
        return nullptr;
    return window->findChild<TFormRegion *>(QString(), Qt::FindDirectChildrenOnly);
}

void TFormRegion::setClientDrag(bool on)
{
    m_clientDrag = on;
    if (!on)
        m_pressed = m_dragging = false;
}

void TFormRegion::ApplyRegion()
{
    QWidget *window = ownerWindow();
    if (!window)
        return;
    if (!builtRegion()) {
        if (m_drawOnDesigning)
            window->update();
        return;
    }
    QRegion mask = builtRegion()->translated(-clientOffset(*window));
    // An empty mask would show the whole window; an empty outline shows none of it.
    if (mask.isEmpty())
        mask = QRegion(-1, -1, 1, 1);
    auto *clearer = static_cast<OutsideClearer *>(m_outsideClearer.data());
    if (!clearer) {
        window->setMask(mask);
        return;
    }
    // A widget's mask also bounds where Qt paints it: what a new outline leaves out would never
    // be painted again, neither cleared nor drawn, and would keep what showed there before.
    // So the mask goes to the window system alone, where it keeps the pointer from what is
    // cut out, and the clearer does the rest.
    m_pointerRegion = mask;
    applyPointerRegion();
    clearer->setOutline(mask);
    raiseOutsideClearer();
}

// The window system's window comes with the first show (and anew after it was destroyed).
void TFormRegion::applyPointerRegion()
{
    QWindow *handle = ownerWindow() ? ownerWindow()->windowHandle() : nullptr;
    if (handle && m_pointerRegion && handle->mask() != *m_pointerRegion)
        handle->setMask(*m_pointerRegion);
}

void TFormRegion::raiseOutsideClearer()
{
    if (m_outsideClearer)
        m_outsideClearer->raise();
}

bool TFormRegion::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ownerWindow())
        return TRegionComp::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        if (m_outsideClearer)
            m_outsideClearer->setGeometry(ownerWindow()->rect());
        ownerResized();
        return false;
    case QEvent::Show:
        applyPointerRegion();
        return false;
    case QEvent::Paint:
        fillBackground(static_cast<QPaintEvent *>(event)->region());
        return false;
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        // A later child would otherwise lie above the clearer.
        if (static_cast<QChildEvent *>(event)->child() != m_outsideClearer)
            raiseOutsideClearer();
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return dragEvent(event);
    default:
        return false;
    }
}

// A translucent window has its background filling turned off; it is filled here as an opaque
// window's would be, so that only the clearer makes pixels see-through.
void TFormRegion::fillBackground(const QRegion &region)
{
    QWidget *window = ownerWindow();
    if (!m_outsideClearer || !window->autoFillBackground())
        return;
    QPainter painter(window);
    painter.setClipRegion(region);
    painter.fillRect(window->rect(), window->palette().brush(window->backgroundRole()));
}

void TFormRegion::ownerResized()
{
    QString text = Region();
    if (m_onSizeChanged)
        m_onSizeChanged(this, text);
    setRegion(text);
}

// Presses that reach the window itself landed on its bare area, or on a child that does not
// want them (a label); with ClientDrag these move the window like a caption bar would.
bool TFormRegion::dragEvent(QEvent *event)
{
    QWidget *window = ownerWindow();
    const auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!m_clientDrag || mouse->button() != Qt::LeftButton)
            return false;
        // The move starts with the first movement, not with the press: a press and release
        // in the same instant (a click to activate the window) must not leave the window
        // to the window manager's move.
        m_pressed = true;
        m_dragging = false;
        m_pressGlobal = global;
        // The toolkit may not know yet where the window manager put the window.
        m_windowStart = RealWindowPosition(*window);
        return true;
    case QEvent::MouseMove:
        if (!(mouse->buttons() & Qt::LeftButton)) {
            // The release went elsewhere.
            const bool ours = m_pressed || m_dragging;
            m_pressed = m_dragging = false;
            return ours;
        }
        if (m_pressed) {
            m_pressed = false;
            // The window system takes over from the press, so the first step is not lost.
            if (startSystemMove && startSystemMove(*window, m_pressGlobal))
                return true;
            // No window manager to do it (or none that can): follow the pointer ourselves.
            m_dragging = true;
        }
        if (!m_dragging)
            return false;
        window->move(m_windowStart + global - m_pressGlobal);
        return true;
    case QEvent::MouseButtonRelease: {
        if (mouse->button() != Qt::LeftButton)
            return false;
        const bool ours = m_pressed || m_dragging;
        m_pressed = m_dragging = false;
        return ours;
    }
    default:
        return false;
    }
}

void TFormRegion::externalRegionChanged(const TExternalRegion &region)
{
    if (Region().contains(region.objectName(), Qt::CaseInsensitive))
        setRegion(Region());
}

void TFormRegion::externalRegionRenamed(const TExternalRegion &region)
{
    const QString previous = region.previousName();
    if (previous.isEmpty())
        return;
    // One pass over the old text: a new name that contains the old one is not replaced again.
    QString text = Region();
    text.replace(previous, region.objectName(), Qt::CaseInsensitive);
    setRegion(text);
}

// ---------------------------------------------------------------------------------------------
// TExternalRegion

TExternalRegion::TExternalRegion(QWidget *owner)
    : QObject(requireForm(owner, "TExternalRegion"))
{ }

TExternalRegion::~TExternalRegion() = default;

void TExternalRegion::setOwnRegion(bool on)
{
    if (m_ownRegion == on)
        return;
    m_ownRegion = on;
    m_keptRegion.reset();
}

void TExternalRegion::RegionChanged()
{
    m_keptRegion.reset();
    if (TFormRegion *formRegion = ownerFormRegion())
        formRegion->externalRegionChanged(*this);
}

void TExternalRegion::setName(const QString &name)
{
    m_previousName = objectName();
    const auto forget = qScopeGuard([this] { m_previousName.clear(); });
    setObjectName(name);
    if (TFormRegion *formRegion = ownerFormRegion())
        formRegion->externalRegionRenamed(*this);
}

std::optional<QRegion> TExternalRegion::shapeForEvaluation()
{
    if (!m_ownRegion)
        return CreateRegion();
    if (!m_keptRegion)
        m_keptRegion = CreateRegion();
    return m_keptRegion;
}

TFormRegion *TExternalRegion::ownerFormRegion() const
{
    const auto *window = qobject_cast<const QWidget *>(parent());
    if (!window || !window->isWindow())
        return nullptr;
    return TFormRegion::ofWindow(window);
}

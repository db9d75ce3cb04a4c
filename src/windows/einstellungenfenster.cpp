#include "windows/einstellungenfenster.h"

#include "controls/Panel.h"
#include "desktop/OverrideCursorLift.h"
#include "desktop/Resources.h"
#include "desktop/WindowPlacement.h"
#include "logic/BoardLogic.h"
#include "logic/Commands.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QStyleOptionTitleBar>
#include <QTimer>
#include <algorithm>

namespace {

// A radio group's items: the captions of a submenu's commands in the order of their values,
// so that an item's index is its value.
QStringList radioItems(CommandMenu menu)
{
    const std::span<const CommandEntry> entries = CommandsOf(menu);
    QStringList items(entries.size());
    for (const CommandEntry &entry : entries)
        items[entry.value] = entry.plainText();
    return items;
}

// Size of the dialog as laid out; the tile preview may make it larger, never smaller.
constexpr int DesignWidth = 265;
constexpr int DesignHeight = 369;
// Room around the three preview tiles: the frame pieces and the lowered bevel.
constexpr int PreviewMargin = 24;
// Panel1's border and bevel around the preview panel.
constexpr int PreviewBorder = 6;

// The preview panel: its colour is the board's, a lowered bevel, and the frame of the
// solution window drawn over its edge, so that the frame follows the panel's size.
class TPreviewPanel : public TPanel
{
public:
    using TPanel::TPanel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        TPanel::paintEvent(event);
        QPainter painter(this);
        PaintFrame(painter, rect(), FrameSet::Preview);
        PaintBevel(painter, rect(), BevelOuter(), palette());
    }
};

QPixmap checkMarkPicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QList<QPointF>{{3, 8.5}, {6.5, 12}, {13, 4}});
    return picture;
}

// Drawn rather than taken from the desktop's icon theme: looking a theme icon up costs a
// noticeable part of the program's start.
QPixmap crossPicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(192, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 4), QPointF(12, 12));
    painter.drawLine(QPointF(12, 4), QPointF(4, 12));
    return picture;
}

template <typename Control>
Control *place(Control *control, const char *name, const QRect &geometry,
               const QString &hint = QString())
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    if (!hint.isEmpty())
        control->setToolTip(hint);
    return control;
}

QLabel *label(QWidget *parent, const char *name, const QString &caption, QPoint position,
              const QString &hint)
{
    auto *control = new QLabel(caption, parent);
    control->setObjectName(QLatin1String(name));
    control->adjustSize();
    control->move(position);
    control->setToolTip(hint);
    return control;
}

TSpinEdit *spinEdit(QWidget *parent, const char *name, const QRect &geometry, int minimum,
                    int maximum, const QString &hint)
{
    auto *field = place(new TSpinEdit(parent), name, geometry, hint);
    field->setRange(minimum, maximum);
    field->setSingleStep(1);
    return field;
}

// What the font chooser lets the player change. Its answer is built anew from these, so it
// never equals the font it was given as a whole.
bool sameChoice(const QFont &a, const QFont &b)
{
    return a.family() == b.family() && a.pointSize() == b.pointSize() && a.weight() == b.weight()
        && a.style() == b.style() && a.underline() == b.underline()
        && a.strikeOut() == b.strikeOut();
}

// Group captions stand a little in from the frame's corner, not flush with its edge.
class GroupCaptionStyle : public QProxyStyle
{
public:
    static constexpr int CaptionInset = 8;

    using QProxyStyle::QProxyStyle;

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl part,
        const QWidget *widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, part, widget);
        if (control == CC_GroupBox && (part == SC_GroupBoxLabel || part == SC_GroupBoxCheckBox))
            rect.translate(CaptionInset, 0);
        return rect;
    }
};

} // namespace

void HideFontEffects(QFontDialog &chooser)
{
    // The toolkit's chooser names neither part: the effects are the group of check boxes, the
    // writing systems the one drop-down list, with its label.
    for (QGroupBox *group : chooser.findChildren<QGroupBox *>()) {
        if (!group->findChildren<QCheckBox *>().isEmpty())
            group->hide();
    }
    for (QComboBox *list : chooser.findChildren<QComboBox *>()) {
        list->hide();
        for (QLabel *label : chooser.findChildren<QLabel *>()) {
            if (label->buddy() == list)
                label->hide();
        }
    }
}

TSpinEdit::TSpinEdit(QWidget *parent)
    : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, &TSpinEdit::changed);
    // The field corrects its text without a signal of the line edit, but with a new value.
    connect(this, &QSpinBox::valueChanged, this, &TSpinEdit::changed);
}

std::optional<int> TSpinEdit::typedValue() const
{
    bool ok = false;
    const int number = cleanText().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

int TSpinEdit::boundedValue() const
{
    const std::optional<int> number = typedValue();
    return number ? std::clamp(*number, minimum(), maximum()) : minimum();
}

QValidator::State TSpinEdit::validate(QString &input, int &) const
{
    if (input.isEmpty() || input == QLatin1String("-"))
        return QValidator::Intermediate;
    // Nine digits at most, so every number typed fits an int.
    const qsizetype digits = input.size() - (input.startsWith(u'-') ? 1 : 0);
    if (digits > 9)
        return QValidator::Invalid;
    for (qsizetype i = input.size() - digits; i < input.size(); ++i) {
        if (input[i] < u'0' || input[i] > u'9')
            return QValidator::Invalid;
    }
    const int value = input.toInt();
    // Out of range is only a stage of typing; the end of the editing brings it into range.
    return value >= minimum() && value <= maximum() ? QValidator::Acceptable
                                                    : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString &input) const
{
    bool ok = false;
    const int number = input.toInt(&ok);
    input = QString::number(ok ? std::clamp(number, minimum(), maximum()) : minimum());
}

TRadioGroup::TRadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent)
    , m_items(new QButtonGroup(this))
{
    int index = 0;
    for (const QString &text : items)
        m_items->addButton(new QRadioButton(text, this), index++);
    layoutItems();
    connect(m_items, &QButtonGroup::idToggled, this, &TRadioGroup::updateTabStop);
    updateTabStop();
}

void TRadioGroup::updateTabStop()
{
    // Tab enters the group on its chosen item (the first while none is); the arrow keys move
    // within it.
    const QList<QAbstractButton *> buttons = m_items->buttons();
    QAbstractButton *stop = m_items->checkedButton();
    if (!stop && !buttons.isEmpty())
        stop = buttons.front();
    for (QAbstractButton *button : buttons)
        button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

int TRadioGroup::ItemIndex() const
{
    return m_items->checkedId();
}

void TRadioGroup::setItemIndex(int index)
{
    if (QAbstractButton *button = m_items->button(index)) {
        button->setChecked(true);
        return;
    }
    // No item of that number: none is chosen.
    if (QAbstractButton *checked = m_items->checkedButton()) {
        m_items->setExclusive(false);
        checked->setChecked(false);
        m_items->setExclusive(true);
    }
}

QAbstractButton *TRadioGroup::item(int index) const
{
    return m_items->button(index);
}

void TRadioGroup::resizeEvent(QResizeEvent *event)
{
    QGroupBox::resizeEvent(event);
    layoutItems();
}

void TRadioGroup::layoutItems()
{
    // The items share the room inside the frame evenly, one row each. The style draws the
    // frame below the caption, not through it, so the room begins lower than the caption's
    // height.
    const QList<QAbstractButton *> buttons = m_items->buttons();
    if (buttons.isEmpty())
        return;
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    const QRect inside
        = style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, this);
    const int rowHeight = std::max(1, inside.height() / int(buttons.size()));
    for (QAbstractButton *button : buttons) {
        const int row = m_items->id(button);
        const int buttonHeight = std::min(rowHeight, button->sizeHint().height());
        button->setGeometry(8, inside.top() + row * rowHeight + (rowHeight - buttonHeight) / 2,
                            width() - 16, buttonHeight);
    }
}

TEinstellungen::TEinstellungen(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Einstellungen"));
    setWindowTitle(QStringLiteral("Einstellungen"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    setFont(arial);

    // Everything but the buttons lies on a content widget, which scrolls where the screen is
    // too small for it; where it fits, the scroll area shows it as it is, without bars.
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_content = new QWidget;
    m_content->setObjectName(QStringLiteral("Inhalt"));
    // The content joins the dialog before its controls are made: a widget that joins a window
    // later joins the window's Tab order at its end, after the buttons.
    m_scrollArea->setWidget(m_content);
    createControls();
    ButtonGroup->raise();
    // Tab follows the layout, down the left column and then the right one within the rows of
    // groups, and ends on the buttons.
    // A radio group joins with all of its items, of which Tab stops on one.
    QList<QWidget *> tabOrder;
    for (int i = 0; MischdauerGroup->item(i); ++i)
        tabOrder << MischdauerGroup->item(i);
    tabOrder << VorschauEdit << SchummelnEdit << TransparenzEdit << SteinRahmenEdit << GroesseEdit
             << ZoomEdit << SteinGroesseEdit << BSteinFarbe << BSchrift << BTextFarbe << BBGFarbe;
    for (int i = 0; AnimationGroup->item(i); ++i)
        tabOrder << AnimationGroup->item(i);
    tabOrder << BitBtn1 << BitBtn2;
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    auto *captions = new GroupCaptionStyle;
    captions->setParent(this);
    for (QGroupBox *group : {static_cast<QGroupBox *>(MischdauerGroup), SpielGroup, SteinGroup,
             static_cast<QGroupBox *>(AnimationGroup)})
        group->setStyle(captions);
    move(254, 136);
    // Until the first opening the preview shows tiles of the size it was drawn with.
    SteinGroesseEdit->setValue(42);
    layoutPreview(SteinGroesseEdit->value());

    chooseColor = [this](const QColor &initial) -> std::optional<QColor> {
        const OverrideCursorLift lift;
        const QColor colour = QColorDialog::getColor(initial, this);
        if (!colour.isValid())
            return std::nullopt;
        return colour;
    };
    chooseFont = [this](const QFont &initial) -> std::optional<QFont> {
        const OverrideCursorLift lift;
        QFontDialog chooser(initial, this);
        chooser.setOption(QFontDialog::DontUseNativeDialog);
        HideFontEffects(chooser);
        if (chooser.exec() != QDialog::Accepted)
            return std::nullopt;
        return chooser.selectedFont();
    };

    connect(BSteinFarbe, &QPushButton::clicked, this, &TEinstellungen::BSteinFarbeClick);
    connect(BSchrift, &QPushButton::clicked, this, &TEinstellungen::BSchriftClick);
    connect(BTextFarbe, &QPushButton::clicked, this, &TEinstellungen::BTextFarbeClick);
    connect(BBGFarbe, &QPushButton::clicked, this, &TEinstellungen::BBGFarbeClick);
    connect(SteinRahmenEdit, &QCheckBox::toggled, this, &TEinstellungen::SteinRahmenEditClick);
    connect(SteinGroesseEdit, &TSpinEdit::changed, this, &TEinstellungen::SteinGroesseEditChange);
    connect(BitBtn1, &QPushButton::clicked, this, &TEinstellungen::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TEinstellungen::BitBtn2Click);
}

void TEinstellungen::createControls()
{
    MischdauerGroup = place(new TRadioGroup(QStringLiteral("Mischdauer"),
                                            radioItems(CommandMenu::ShuffleDurations), m_content),
                            "MischdauerGroup", QRect(0, 0, 121, 129),
                            QStringLiteral("gibt die Mischdauer an"));

    SpielGroup = place(new QGroupBox(QStringLiteral("Spiel"), m_content), "SpielGroup",
                       QRect(126, 0, 139, 129));
    VorschauEdit = place(new QCheckBox(QStringLiteral("Lösung anzeigen"), SpielGroup),
                         "VorschauEdit", QRect(8, 16, 102, 17),
                         QStringLiteral("gibt an, ob das fertige Bild in einem Fenster "
                                        "dargestellt werden soll"));
    SchummelnEdit = place(new QCheckBox(QStringLiteral("Schummeln"), SpielGroup),
                          "SchummelnEdit", QRect(8, 32, 97, 17),
                          QStringLiteral("gibt an, ob bei einem Bild die Steinposition "
                                         "angegeben werden soll"));
    TransparenzEdit = place(new QCheckBox(QStringLiteral("Transparenz"), SpielGroup),
                            "TransparenzEdit", QRect(8, 48, 97, 17),
                            QStringLiteral("gibt an, ob der fehlende Stein transparent "
                                           "gezeichnet werden soll"));
    SteinRahmenEdit = place(new QCheckBox(QStringLiteral("Steinrahmen"), SpielGroup),
                            "SteinRahmenEdit", QRect(8, 64, 105, 17),
                            QStringLiteral("gibt an, ob jeder Stein mit einem Rahmen "
                                           "gezeichnet werden soll"));
    // Liberation Sans, which stands in for Arial, runs wider than the layout was made for: a
    // box grows to its text, as far as the group has room.
    for (QCheckBox *box : {VorschauEdit, SchummelnEdit, TransparenzEdit, SteinRahmenEdit}) {
        const int room = SpielGroup->width() - box->x() - 2;
        box->resize(std::clamp(box->sizeHint().width(), box->width(), room), box->height());
    }
    const QString sizeHint = QStringLiteral("gibt die Anzahl der Steine pro Reihe/Spalte an");
    GroesseLabel = label(SpielGroup, "GroesseLabel", QStringLiteral("Größe"), QPoint(21, 86),
                         sizeHint);
    GroesseEdit = spinEdit(SpielGroup, "GroesseEdit", QRect(16, 102, 41, 22), MinGridSize,
                           MaxGridSize, sizeHint);
    const QString zoomHint = QStringLiteral("gibt den Vergrößerungsfaktor der Lupe an");
    Label2 = label(SpielGroup, "Label2", QStringLiteral("Zoomfaktor"), QPoint(76, 88), zoomHint);
    ZoomEdit = spinEdit(SpielGroup, "ZoomEdit", QRect(78, 104, 49, 22), MinZoomFactor,
                        MaxZoomFactor, zoomHint);

    SteinGroup = place(new QGroupBox(QStringLiteral("Stein"), m_content), "SteinGroup",
                       QRect(0, 130, 121, 167));
    const QString tileSizeHint = QStringLiteral("gibt die Steingröße in Pixeln an");
    Label1 = label(SteinGroup, "Label1", QStringLiteral("Steingröße"), QPoint(8, 20),
                   tileSizeHint);
    SteinGroesseEdit = spinEdit(SteinGroup, "SteinGroesseEdit", QRect(64, 17, 49, 22),
                                MinTileSize, MaxTileSize, tileSizeHint);
    // A field is named by its label, as assistive technology reads it.
    GroesseLabel->setBuddy(GroesseEdit);
    Label2->setBuddy(ZoomEdit);
    Label1->setBuddy(SteinGroesseEdit);
    BSteinFarbe = place(new QPushButton(QStringLiteral("Steinfarbe"), SteinGroup),
                        "BSteinFarbe", QRect(13, 48, 94, 25),
                        QStringLiteral("ermöglicht das Einstellen der Steinfarbe"));
    BSchrift = place(new QPushButton(QStringLiteral("Schrift"), SteinGroup), "BSchrift",
                     QRect(13, 77, 94, 25),
                     QStringLiteral("ermöglicht das Einstellen der Textschriftart"));
    BTextFarbe = place(new QPushButton(QStringLiteral("Textfarbe"), SteinGroup), "BTextFarbe",
                       QRect(13, 107, 94, 25),
                       QStringLiteral("ermöglicht das Einstellen der Textfarbe"));
    BBGFarbe = place(new QPushButton(QStringLiteral("Hintergrundfarbe"), SteinGroup),
                     "BBGFarbe", QRect(13, 136, 94, 25),
                     QStringLiteral("ermöglicht das Einstellen der Hintergrundfarbe"));

    AnimationGroup = place(new TRadioGroup(QStringLiteral("Animation"),
                                           radioItems(CommandMenu::Animation), m_content),
                           "AnimationGroup", QRect(126, 130, 139, 73),
                           QStringLiteral("gibt die Bewegungsgeschwindigkeit der Steine an"));

    Panel1 = place(new TPanel(m_content), "Panel1", QRect(127, 208, 119, 120));
    Panel1->setColor(palette().color(QPalette::Window));
    Panel1->setBevelOuter(TPanel::Bevel::Raised);
    SteinPanel = place(new TPreviewPanel(Panel1), "SteinPanel",
                       QRect(PreviewBorder, PreviewBorder, 107, 108));
    SteinPanel->setBevelOuter(TPanel::Bevel::Lowered);
    SteinBild = place(new TPanel(SteinPanel), "SteinBild", QRect(12, 13, 42, 42));
    Steinbild2 = place(new TPanel(SteinPanel), "Steinbild2", QRect(54, 13, 42, 42));
    SteinBild3 = place(new TPanel(SteinPanel), "SteinBild3", QRect(12, 55, 42, 42));
    for (TPanel *tile : previewTiles())
        tile->setCaption(QStringLiteral("42"));

    // The buttons belong to the dialog, not to its scrolled content: they stay in sight.
    ButtonGroup = place(new QGroupBox(this), "ButtonGroup", QRect(0, 297, 121, 72));
    ButtonGroup->setAutoFillBackground(true);
    BitBtn1 = place(new QPushButton(QIcon(checkMarkPicture()), QStringLiteral("OK"),
                                    ButtonGroup),
                    "BitBtn1", QRect(13, 12, 94, 25),
                    QStringLiteral("übernimmt alle Änderungen und beendet das Fenster"));
    BitBtn1->setDefault(true);
    BitBtn2 = place(new QPushButton(QIcon(crossPicture()),
                                    QStringLiteral("Abbruch"), ButtonGroup),
                    "BitBtn2", QRect(13, 41, 94, 25),
                    QStringLiteral("verwirft alle Änderungen und schließt das Fenster"));
}

QList<TPanel *> TEinstellungen::previewTiles() const
{
    return {SteinBild, Steinbild2, SteinBild3};
}

void TEinstellungen::layoutPreview(int size)
{
    SteinPanel->resize(2 * size + PreviewMargin, 2 * size + PreviewMargin);
    SteinBild->resize(size, size);
    Steinbild2->setGeometry(SteinBild->x() + size, SteinBild->y(), size, size);
    SteinBild3->setGeometry(SteinBild->x(), SteinBild->y() + size, size, size);
    Panel1->resize(SteinPanel->width() + 2 * PreviewBorder,
                   SteinPanel->height() + 2 * PreviewBorder);

    // The dialog fits itself around its contents; the "Stein" group and the buttons below it
    // follow its bottom edge.
    const int width = std::max(DesignWidth, Panel1->geometry().right() + 1);
    const int height = std::max(DesignHeight, Panel1->geometry().bottom() + 1);
    const int grown = height - DesignHeight;
    SteinGroup->resize(SteinGroup->width(), 167 + grown);
    m_content->resize(width, height);
    fitOnScreen();
}

void TEinstellungen::fitOnScreen()
{
    // Large tiles on a screen of few logical pixels (a high scale factor) make the content
    // taller than the screen: the dialog then takes what the screen offers and scrolls.
    const QSize needed = m_content->size();
    const QRect area = AvailableScreenArea(*this);
    const QSize frame = frameExtent();
    const QSize room = area.isEmpty() ? needed : area.size() - frame;
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scrollArea);
    // A scroll bar along one side takes room from the other direction.
    const bool tooTall = needed.height() > room.height();
    const bool across = needed.width() + (tooTall ? bar : 0) > room.width();
    const bool down = needed.height() + (across ? bar : 0) > room.height();
    const QSize shown(std::min(needed.width() + (down ? bar : 0), room.width()),
        std::min(needed.height() + (across ? bar : 0), room.height()));
    setFixedSize(shown);
    m_scrollArea->setGeometry(rect());
    // The buttons sit at the bottom of what is in sight, above a scroll bar along it.
    ButtonGroup->move(
        ButtonGroup->x(), shown.height() - (across ? bar : 0) - ButtonGroup->height());
    m_fittedFrame = frame;
    const QPoint place = KeptOnScreen(QRect(pos(), shown + frame), area);
    if (place != pos())
        move(place);
}

QSize TEinstellungen::frameExtent() const
{
    // Until the window manager has framed the dialog, its frame reads as nothing; a title bar
    // of the style's height stands in for it.
    const QSize known = frameGeometry().size() - size();
    if (isVisible() || !known.isNull())
        return known;
    QStyleOptionTitleBar option;
    option.titleBarFlags = windowFlags();
    return QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this));
}

bool TEinstellungen::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    // The window manager frames the dialog after it shows: it is fitted again around the real
    // frame.
    if (event->type() == QEvent::Move && isVisible() && frameExtent() != m_fittedFrame)
        fitOnScreen();
    return handled;
}

void TEinstellungen::SteinGroesseEditChange()
{
    // Values out of range are passed over while they are being typed.
    const std::optional<int> size = SteinGroesseEdit->typedValue();
    if (size && *size >= MinTileSize && *size <= MaxTileSize)
        layoutPreview(*size);
}

void TEinstellungen::SteinRahmenEditClick()
{
    const auto bevel = SteinRahmenEdit->isChecked() ? TPanel::Bevel::Raised : TPanel::Bevel::None;
    for (TPanel *tile : previewTiles())
        tile->setBevelOuter(bevel);
}

void TEinstellungen::BSteinFarbeClick()
{
    if (const std::optional<QColor> colour = chooseColor(SteinBild->Color())) {
        for (TPanel *tile : previewTiles())
            tile->setColor(*colour);
    }
}

void TEinstellungen::BSchriftClick()
{
    // The chooser lists only real families; a name such as "Arial", which the font
    // configuration maps to another family, would open it on the desktop's default font. It
    // is shown the font the name resolves to, and an unchanged answer keeps the name.
    const QFont stored = SteinBild->font();
    const QFontInfo resolved(stored);
    QFont shown = stored;
    shown.setFamily(resolved.family());
    shown.setStyleName(resolved.styleName());
    shown.setPointSize(resolved.pointSize());
    std::optional<QFont> font = chooseFont(shown);
    if (!font)
        return;
    if (sameChoice(*font, shown))
        font = stored;
    for (TPanel *tile : previewTiles())
        tile->setFont(*font);
}

void TEinstellungen::BTextFarbeClick()
{
    if (const std::optional<QColor> colour = chooseColor(SteinBild->fontColor())) {
        for (TPanel *tile : previewTiles())
            tile->setFontColor(*colour);
    }
}

void TEinstellungen::BBGFarbeClick()
{
    if (const std::optional<QColor> colour = chooseColor(SteinPanel->Color()))
        SteinPanel->setColor(*colour);
}

void TEinstellungen::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // The hints ask for a close box only, but some window managers (openbox) offer to
    // minimise every window. Minimised, the dialog would leave the main window blocked with
    // nothing to answer, so it comes straight back.
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        QTimer::singleShot(0, this, [this] {
            if (!isVisible() || !isMinimized())
                return;
            setWindowState(windowState() & ~Qt::WindowMinimized);
            raise();
            activateWindow();
        });
    }
}

void TEinstellungen::BitBtn1Click()
{
    accept();
}

void TEinstellungen::BitBtn2Click()
{
    reject();
}

std::optional<Settings> TEinstellungen::EditSettings(const Settings &settings)
{
    VorschauEdit->setChecked(settings.solutionView);
    SchummelnEdit->setChecked(m_cheatView);
    TransparenzEdit->setChecked(settings.transparent);
    SteinRahmenEdit->setChecked(settings.tileFrames);
    GroesseEdit->setValue(settings.gridSize);
    ZoomEdit->setValue(settings.zoomFactor);
    AnimationGroup->setItemIndex(settings.animationSpeed);
    MischdauerGroup->setItemIndex(settings.shuffleDuration);
    SteinGroesseEdit->setValue(settings.tileSize);
    layoutPreview(SteinGroesseEdit->value());
    SteinPanel->setColor(settings.boardColor);
    const QFont font = settings.boardFont();
    for (TPanel *tile : previewTiles()) {
        tile->setColor(settings.tileColor);
        tile->setFont(font);
        tile->setFontColor(settings.fontColor());
    }
    SteinRahmenEditClick();

    // Every opening starts as the first did: the focus on the first control and OK the
    // button that Enter presses, however the last one ended.
    if (QAbstractButton *first = MischdauerGroup->item(std::max(0, MischdauerGroup->ItemIndex())))
        first->setFocus();
    BitBtn1->setDefault(true);
    setResult(QDialog::Rejected);
    exec();
    if (!isAccepted())
        return std::nullopt;

    Settings edited = settings;
    edited.solutionView = VorschauEdit->isChecked();
    edited.tileFrames = SteinRahmenEdit->isChecked();
    edited.transparent = TransparenzEdit->isChecked();
    m_cheatView = SchummelnEdit->isChecked();
    edited.zoomFactor = ZoomEdit->boundedValue();
    edited.gridSize = GroesseEdit->boundedValue();
    edited.animationSpeed = AnimationGroup->ItemIndex();
    edited.shuffleDuration = MischdauerGroup->ItemIndex();
    edited.tileSize = SteinGroesseEdit->boundedValue();
    edited.tileColor = SteinBild->Color();
    edited.boardColor = SteinPanel->Color();
    if (SteinBild->font() != font)
        edited.setBoardFont(SteinBild->font());
    edited.setFontColor(SteinBild->fontColor());
    return edited;
}

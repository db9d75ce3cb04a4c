#include "windows/highscorefenster.h"

#include "desktop/WindowPlacement.h"

#include "desktop/ErrorReport.h"
#include "controls/DarkStyle.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "desktop/ModalRun.h"
#include "desktop/Resources.h"
#include "logic/BoardLogic.h"
#include "logic/IniFile.h"
#include "region/FormRgn.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {

const QColor Grey(0x80, 0x80, 0x80);

constexpr int NameLeft = 30;
constexpr int TimeLeft = 240;
constexpr int DateLeft = 302;
constexpr int RankWidth = 20;
constexpr int NameInputLeft = 28;
constexpr int NameInputWidth = TimeLeft - 5 - NameInputLeft;
constexpr int NameInputHeight = 24;
// A name is cut where the entry field ends, a little before the time.
constexpr int NameWidth = TimeLeft - 5 - NameLeft;


int cellTop(int row)
{
    return 25 * row - 15;
}

// Texts lie on the window without taking the mouse: a click on one is a click on what lies
// beneath (the table panel, or the window, which drags).
QLabel *createText(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

THighscore::THighscore(const QString &file, QWidget *parent)
    // A dialog, so that the window manager ties it to its owner.
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , today([] { return QDate::currentDate(); })
    , m_random(quint32(QDateTime::currentMSecsSinceEpoch()))
    , m_file(file)
{
    setWindowTitle(QStringLiteral("Highscore"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowModality(Qt::ApplicationModal);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Grey);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(ArialFont(13, true));
    setFixedSize(407, 320);

    Label1 = createText(this, QStringLiteral("Highscore"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(1, 4, 408, 22);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setFont(ArialFont(16, true));

    SpezialButton4 = CreateCloseButton(this, QPoint(375, 7));

    Panel1 = new TPanel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(20, 29, 368, 260);
    Panel1->setColor(Grey);
    // The table takes a click for the name being entered; it goes by its heading.
    Panel1->setAccessibleName(Label1->text());

    for (int row = 1; row <= HighscoreRowCount; ++row) {
        Row &cells = m_cells[row - 1];
        cells.rank = createText(Panel1, QStringLiteral("%1.").arg(row));
        cells.rank->setAlignment(Qt::AlignRight | Qt::AlignTop);
        cells.rank->setGeometry(0, cellTop(row), RankWidth, cells.rank->sizeHint().height());
        cells.name = createText(Panel1, QString());
        cells.time = createText(Panel1, QString());
        cells.date = createText(Panel1, QString());
        cells.name->move(NameLeft, cellTop(row));
        cells.time->move(TimeLeft, cellTop(row));
        cells.date->move(DateLeft, cellTop(row));
        for (QLabel *cell : {cells.name, cells.time, cells.date})
            setCell(cell, QString());
    }

    Nameneingabe = new QLineEdit(Panel1);
    Nameneingabe->setObjectName(QStringLiteral("Nameneingabe"));
    Nameneingabe->setAccessibleName(QStringLiteral("Name"));
    Nameneingabe->setGeometry(NameInputLeft, 0, NameInputWidth, NameInputHeight);
    Nameneingabe->setMaxLength(NameInputLength);
    Nameneingabe->setFont(ArialFont(13, false));
    QPalette inputColours = Nameneingabe->palette();
    inputColours.setColor(QPalette::Text, Qt::black);
    inputColours.setColor(QPalette::Base, Qt::white);
    Nameneingabe->setPalette(inputColours);
    Nameneingabe->setText(QStringLiteral("Kein Name"));
    Nameneingabe->hide();
    Nameneingabe->installEventFilter(this);

    Beschreibung = createText(this, QString());
    Beschreibung->setObjectName(QStringLiteral("Beschreibung"));
    Beschreibung->setGeometry(16, 298, 377, 22);
    Beschreibung->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Beschreibung->setFont(ArialFont(12, true));

    OKButton = new TSpezialButton(this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(160, 298, 89, 17);
    OKButton->setCaption(QStringLiteral("OK"));
    OKButton->setColor(DarkGrey());
    OKButton->setFont(ArialFont(12, true));
    OKButton->setFontColor(Qt::white);
    OKButton->hide();

    FormRegion1 = new TFormRegion(this);
    FormRegion1->setObjectName(QStringLiteral("FormRegion1"));
    FormRegion1->setClientDrag(true);
    // The window is drawn two pixels wider than it is, so its right corners round the same.
    FormRegion1->setRegion(RoundedOutline(width(), height()));
    // Installed after the outline component, so this window sees its presses first.
    installEventFilter(this);

    connect(Panel1, &TPanel::clicked, this, &THighscore::FormClick);
    connect(SpezialButton4, &TSpezialButton::clicked, this, &THighscore::SpezialButton4Click);
    connect(OKButton, &TSpezialButton::clicked, this, &THighscore::OKButtonClick);
}

THighscore::~THighscore()
{
    if (m_modalLoop)
        m_modalLoop->quit();
}

void THighscore::seedRandom(quint32 seed)
{
    m_random.seed(seed);
}

HighscoreConfiguration THighscore::shownConfiguration() const
{
    if (m_naming)
        return m_naming->configuration;
    return configuration ? configuration() : HighscoreConfiguration();
}

bool THighscore::isNaming() const
{
    return !Nameneingabe->isHidden();
}

void THighscore::setCell(QLabel *cell, const QString &text, int maxWidth)
{
    cell->setText(text);
    cell->adjustSize();
    // The label draws only within itself: a longer text is cut at its right edge.
    if (cell->width() > maxWidth)
        cell->resize(maxWidth, cell->height());
}

void THighscore::showTable()
{
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        const HighscoreEntry &entry = m_table[row - 1];
        setCell(nameCell(row), entry.name, NameWidth);
        setCell(timeCell(row), entry.time);
        setCell(dateCell(row), entry.date);
    }
}

void THighscore::LoadTable()
{
    const HighscoreConfiguration current = shownConfiguration();
    Beschreibung->setText(DescriptionLine(current));
    const IniFile file(m_file);
    m_tableUnreadable = file.readError().has_value();
    if (m_tableUnreadable)
        ReportError(file.readError()->message());
    m_table = ReadTable(file, TableKey(current));
    showTable();
}

void THighscore::SaveTable()
{
    // Rows taken for empty because the file could not be read must not replace its rows.
    if (m_tableUnreadable)
        return;
    const HighscoreConfiguration current = shownConfiguration();
    const IniFileLock lock(m_file);
    IniFile file(m_file);
    WriteTable(file, TableKey(current), m_table, m_random);
    file.save();
}

void THighscore::AddResult(const QString &timeText, const HighscoreConfiguration &configuration)
{
    // The result and its table stay together until its name is saved, whatever the player
    // chooses meanwhile.
    Nameneingabe->hide();
    OKButton->hide();
    m_naming.reset();
    const QString date = DateText(today ? today() : QDate::currentDate());
    HighscoreEntry entered;
    const TableUpdate update = UpdateTable(
        m_file, TableKey(configuration),
        [&](HighscoreTable &table) {
            const int row = EnterResult(table, timeText, date);
            if (row > 0)
                entered = table[row - 1];
            NewEntryRow = row;
            return row > 0;
        },
        m_random);
    // Should the file refuse the result, it is still shown and saved again with its name.
    if (update.error)
        ReportError(*update.error);
    m_table = update.table;
    m_tableUnreadable = update.unreadable;
    Beschreibung->setText(DescriptionLine(configuration));
    showTable();
    if (NewEntryRow > 0) {
        m_naming = NameEntry {configuration, entered, update.unreadable};
        Nameneingabe->move(NameInputLeft, nameCell(NewEntryRow)->y() - 3);
        Nameneingabe->show();
    }
    m_tablePrepared = !isVisible();
    if (isVisible())
        showNameEntry();
    showModal(m_centreOn ? QRect(RealWindowPosition(*m_centreOn), m_centreOn->size()) : QRect());
}

void THighscore::showModal(const QRect &centreOver)
{
    if (m_modalLoop)
        return; // already showing
    if (centreOver.isValid()) {
        // The window is larger than a small board: near a screen edge it would hang over it,
        // the name field out of sight.
        move(CenteredOver(*this, centreOver));
    }
    RunModally(*this, m_modalLoop);
}

void THighscore::FormShow()
{
    if (!m_tablePrepared)
        LoadTable();
    m_tablePrepared = false;
    showNameEntry();
}

void THighscore::showNameEntry()
{
    OKButton->setVisible(isNaming());
    Beschreibung->setVisible(!isNaming());
    if (isNaming()) {
        Nameneingabe->setFocus();
        Nameneingabe->selectAll();
    }
}

void THighscore::CommitName()
{
    if (!isNaming())
        return;
    const QString name = Nameneingabe->text();
    Nameneingabe->hide();
    const std::optional<NameEntry> naming = std::exchange(m_naming, std::nullopt);
    if (naming && !naming->unreadable) {
        // The file as it is now, which another instance may have changed since.
        const TableUpdate update = UpdateTable(
            m_file, TableKey(naming->configuration),
            [&](HighscoreTable &table) { return NameResult(table, naming->entered, name) > 0; },
            m_random);
        if (update.error)
            ReportError(*update.error);
        if (!update.unreadable) {
            m_table = update.table;
            showTable();
            return;
        }
    }
    if (NewEntryRow >= 1 && NewEntryRow <= HighscoreRowCount) {
        m_table[NewEntryRow - 1].name = name;
        setCell(nameCell(NewEntryRow), name, NameWidth);
    }
}

void THighscore::commitAsOnEnter()
{
    OKButton->hide();
    Beschreibung->show();
    CommitName();
}

void THighscore::OKButtonClick()
{
    if (isNaming())
        commitAsOnEnter();
}

void THighscore::FormClick()
{
    if (isNaming())
        commitAsOnEnter();
}

void THighscore::SpezialButton4Click()
{
    if (isNaming())
        commitAsOnEnter();
    close();
}

bool THighscore::FormKeyPress(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    if (isNaming())
        commitAsOnEnter();
    close();
    return true;
}

bool THighscore::NameneingabeKeyPress(int key)
{
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    commitAsOnEnter();
    return true;
}

void THighscore::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintFrame(painter, rect(), FrameSet::Highscore);
}

void THighscore::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// However the window goes (a click on "×", Esc, the window system), the name typed is kept.
void THighscore::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (isNaming())
        commitAsOnEnter();
    if (m_modalLoop)
        m_modalLoop->quit();
}

void THighscore::closeEvent(QCloseEvent *event)
{
    if (isNaming())
        commitAsOnEnter();
    event->accept();
}

void THighscore::keyPressEvent(QKeyEvent *event)
{
    if (FormKeyPress(event->key()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

bool THighscore::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Nameneingabe && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        return FormKeyPress(key) || NameneingabeKeyPress(key);
    }
    if (watched != this)
        return QWidget::eventFilter(watched, event);
    // The bare window and its frame drag the window; a press released where it began is a
    // click. Nothing is consumed, so the drag still works.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick
        && type != QEvent::MouseButtonRelease)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPoint at = mouse->globalPosition().toPoint();
    if (type != QEvent::MouseButtonRelease) {
        m_framePressed = true;
        m_framePressPosition = at;
    } else if (m_framePressed) {
        m_framePressed = false;
        if ((at - m_framePressPosition).manhattanLength() < QApplication::startDragDistance())
            FormClick();
    }
    return false;
}

#include "controls/Panel.h"
#include "logic/BoardLogic.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "support/TestWindows.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The settings dialog driven as the player drives it, opened from the main window, and what
// the main window makes of its answer.
class TestSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void unchangedOrDiscarded_data();
    void unchangedOrDiscarded();
    void tileSize_data();
    void tileSize();
    void textsFitTheirControls();
    void onlyACloseBox();
    void keyboardAtEveryOpening();
    void fontChooser_data();
    void fontChooser();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    TEinstellungen *dialog() const { return &m_windows->settings(); }
    // Opens the dialog from the main window; `play` acts while it runs. A dialog that `play`
    // leaves open is closed with Abbruch.
    void open(const std::function<void(TEinstellungen *)> &play);
    void startGame();
    static void checkTextsFit(TEinstellungen *dialog);
    auto state() const;

    QTemporaryDir m_folder;
    std::unique_ptr<ProgramWindows> m_windows;
};

namespace {

void type(TSpinEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

void tick(QAbstractButton *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QString arrangement(const TTiloraForm *window)
{
    QString text;
    for (int r = 0; r < window->game().puzzle().gridSize(); ++r)
        for (int c = 0; c < window->game().puzzle().gridSize(); ++c)
            text += QString::number(TileAt(*window, QPoint(c, r))->NumberLabel->text().toInt()) + ' ';
    return text;
}

} // namespace

void TestSettingsDialog::init()
{
    m_windows = CreateTestWindows(m_folder.path());
    main()->hooks.movePointer = [](QPoint) {};
    SetPictureName(*main(), QStringLiteral("/nicht/da.jpg"));
    main()->show();
    QVERIFY(QTest::qWaitForWindowExposed(main()));
}

void TestSettingsDialog::cleanup()
{
    m_windows.reset();
}

void TestSettingsDialog::open(const std::function<void(TEinstellungen *)> &play)
{
    bool played = false;
    QTimer timer; // dies with this call, so it never fires into a later test
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, dialog(), [&] {
        played = dialog()->isVisible() && dialog()->isModal();
        if (played)
            play(dialog());
        if (dialog()->isVisible())
            Child<QPushButton>(*dialog(), "BitBtn2")->click();
    });
    timer.start(0);
    Choose(*main(), "Einstellungen1");
    QVERIFY2(played, "the dialog did not show");
    QVERIFY(!dialog()->isVisible());
}

void TestSettingsDialog::startGame()
{
    main()->game().setShuffleDuration(1);
    main()->game().seedRandom(11);
    Choose(*main(), "Spielmischen1");
    QVERIFY(Child<QTimer>(*main(), "SekundenZaehler")->isActive());
    QVERIFY(!main()->game().puzzle().isSolved());
}

// Everything of the game that the dialog may change; the window shows the look derived from it.
auto TestSettingsDialog::state() const
{
    const Game &game = main()->game();
    return std::tuple(game.settings(), game.cheatView(), game.cheated(), game.phase(),
        game.puzzle().toString(), game.puzzle().tileSize());
}

void TestSettingsDialog::unchangedOrDiscarded_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("OK, nothing changed") << "OK";
    QTest::newRow("Abbruch") << "Abbruch";
    QTest::newRow("Esc after an OK") << "Esc";
    QTest::newRow("close box after an OK") << "close box";
}

void TestSettingsDialog::unchangedOrDiscarded()
{
    QFETCH(QString, how);
    Choose(*main(), "Steineumrahmen1");
    ChooseGridSize(*main(), 6);
    startGame();
    main()->game().setShuffleDuration(3);
    Settings settings = main()->game().settings();
    settings.tileColor = QColor(0x12, 0x34, 0x56);
    settings.zoomFactor = 7;
    main()->game().setSettings(settings);
    if (how != u"OK" && how != u"Abbruch") {
        open([](TEinstellungen *d) {
            type(Child<TSpinEdit>(*d, "ZoomEdit"), QStringLiteral("9"));
            Child<QPushButton>(*d, "BitBtn1")->click();
        });
        QCOMPARE(main()->game().settings().zoomFactor, 9);
        main()->game().setSettings(settings);
    }
    const auto builds = NewBoardsOf(main()->game()); // the new boards made
    const auto before = state();
    dialog()->chooseColor = [](const QColor &) { return QColor(Qt::red); };
    dialog()->chooseFont = [](const QFont &) { return QFont(QStringLiteral("Courier"), 20); };
    open([&how](TEinstellungen *d) {
        QVERIFY(!Child<QCheckBox>(*d, "SteinRahmenEdit")->isChecked() && Child<QCheckBox>(*d, "TransparenzEdit")->isChecked());
        QCOMPARE(Child<TSpinEdit>(*d, "GroesseEdit")->value(), 6);
        QCOMPARE(Child<TSpinEdit>(*d, "ZoomEdit")->value(), 7);
        QCOMPARE(Child<TRadioGroup>(*d, "MischdauerGroup")->ItemIndex(), 3);
        QCOMPARE(Child<TPanel>(*d, "SteinBild")->Color(), QColor(0x12, 0x34, 0x56));
        if (how == u"OK")
            return QTest::keyClick(d, Qt::Key_Return);
        for (QCheckBox *box :
            {Child<QCheckBox>(*d, "VorschauEdit"), Child<QCheckBox>(*d, "SchummelnEdit"), Child<QCheckBox>(*d, "TransparenzEdit"), Child<QCheckBox>(*d, "SteinRahmenEdit")})
            tick(box);
        type(Child<TSpinEdit>(*d, "GroesseEdit"), QStringLiteral("8"));
        type(Child<TSpinEdit>(*d, "ZoomEdit"), QStringLiteral("3"));
        type(Child<TSpinEdit>(*d, "SteinGroesseEdit"), QStringLiteral("77"));
        tick(Child<TRadioGroup>(*d, "AnimationGroup")->item(2));
        tick(Child<TRadioGroup>(*d, "MischdauerGroup")->item(4));
        for (QPushButton *button : {Child<QPushButton>(*d, "BSteinFarbe"), Child<QPushButton>(*d, "BSchrift"), Child<QPushButton>(*d, "BTextFarbe"), Child<QPushButton>(*d, "BBGFarbe")})
            button->click();
        if (how == u"Abbruch")
            QTest::mouseClick(Child<QPushButton>(*d, "BitBtn2"), Qt::LeftButton);
        else if (how == u"Esc")
            QTest::keyClick(d, Qt::Key_Escape);
        else
            d->close();
    });
    QCOMPARE((dialog()->result() == QDialog::Accepted), how == u"OK");
    QVERIFY(state() == before);
    QVERIFY(builds->empty());
    QVERIFY(!m_windows->preview.isVisible());
}

void TestSettingsDialog::tileSize_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("preview"); // the preview's tile size before Enter
    QTest::addColumn<int>("result");
    QTest::newRow("70") << "70" << 70 << 70;
    QTest::newRow("150") << "150" << 50 << 100;
    QTest::newRow("20") << "20" << 50 << 35;
    QTest::newRow("letters") << "4x5" << 45 << 45;
}

// A new tile size keeps the game: arrangement, hole and clock.
void TestSettingsDialog::tileSize()
{
    QFETCH(QString, typed);
    QFETCH(int, preview);
    QFETCH(int, result);
    startGame();
    TTiloraForm *w = main();
    for (int second = 0; second < 41; ++second)
        w->game().clockTick();
    const QString tiles = arrangement(w);
    const QPoint free = w->game().puzzle().freeCell();
    open([&](TEinstellungen *d) {
        type(Child<TSpinEdit>(*d, "SteinGroesseEdit"), typed);
        const int v = preview;
        QCOMPARE(Child<TPanel>(*d, "SteinPanel")->size(), QSize(2 * v + 24, 2 * v + 24));
        // The dialog grows with the preview, never below its laid-out size.
        QCOMPARE(
            d->size(), QSize(std::max(265, 127 + 2 * v + 36), std::max(369, 208 + 2 * v + 36)));
        QTest::keyClick(Child<TSpinEdit>(*d, "SteinGroesseEdit"), Qt::Key_Return);
    });
    const int side = 5 * result + 36;
    QCOMPARE(w->game().puzzle().tileSize(), result);
    QCOMPARE(w->size(), QSize(side, side));
    QCOMPARE(arrangement(w), tiles);
    QCOMPARE(w->game().puzzle().freeCell(), free);
    QVERIFY(Child<QTimer>(*w, "SekundenZaehler")->isActive() && w->game().clockSeconds() >= 41);
    QCOMPARE(Outline(*w), BoardRegionOutline(side, side, true, free, result, result));
    // The pieces are cut anew from the picture at the new size.
    const TTiloraStein *tile = TileAt(*w, QPoint(free.x() == 2 ? 1 : 2, 2));
    QCOMPARE(tile->geometry().size(), QSize(result, result));
    QCOMPARE(tile->PieceImage->picture().toImage(),
        w->boardPicture().toImage().copy(
            tile->HomeCol * result, tile->HomeRow * result, result, result));
}

// Liberation Sans stands in for Arial and runs wider than the layout was made for.
void TestSettingsDialog::textsFitTheirControls()
{
    open([](TEinstellungen *d) { checkTextsFit(d); });
}

void TestSettingsDialog::checkTextsFit(TEinstellungen *dialog)
{
    for (const QAbstractButton *button : dialog->findChildren<QAbstractButton *>()) {
        const bool radio = qobject_cast<const QRadioButton *>(button);
        if (!radio && !qobject_cast<const QCheckBox *>(button))
            continue;
        const QStyle *style = button->style();
        const int indicator = radio
            ? style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button)
                + style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button)
            : style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                + style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
        const int needed = button->fontMetrics().horizontalAdvance(button->text()) + indicator;
        QVERIFY2(needed <= button->width(),
            qPrintable(QStringLiteral("%1: %2 > %3")
                           .arg(button->text())
                           .arg(needed)
                           .arg(button->width())));
    }
    // The four switches speak in one font.
    for (const QCheckBox *box :
        {Child<QCheckBox>(*dialog, "SchummelnEdit"), Child<QCheckBox>(*dialog, "TransparenzEdit"), Child<QCheckBox>(*dialog, "SteinRahmenEdit")})
        QCOMPARE(box->font(), Child<QCheckBox>(*dialog, "VorschauEdit")->font());
    // The items of a group lie inside its frame, the first below the group's caption, which
    // stands in from the frame's corner.
    for (const TRadioGroup *group : {Child<TRadioGroup>(*dialog, "MischdauerGroup"), Child<TRadioGroup>(*dialog, "AnimationGroup")}) {
        QStyleOptionGroupBox frame;
        frame.initFrom(group);
        frame.text = group->title();
        frame.textAlignment = group->alignment();
        frame.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        frame.lineWidth = 1;
        const QRect inside = group->style()->subControlRect(
            QStyle::CC_GroupBox, &frame, QStyle::SC_GroupBoxContents, group);
        const QRect caption = group->style()->subControlRect(
            QStyle::CC_GroupBox, &frame, QStyle::SC_GroupBoxLabel, group);
        QVERIFY2(group->item(0)->y() > caption.bottom(), qPrintable(group->title()));
        QVERIFY2(caption.left() > 0, qPrintable(group->title()));
        for (int i = 0; const QAbstractButton *item = group->item(i); ++i)
            QVERIFY2(inside.contains(item->geometry()), qPrintable(item->text()));
    }
}

void TestSettingsDialog::onlyACloseBox()
{
    const Qt::WindowFlags flags = dialog()->windowFlags();
    QVERIFY(flags.testFlags(Qt::Dialog | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint));
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    // A window manager that minimises it all the same does not leave it minimised.
    open([](TEinstellungen *d) {
        d->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(d->isVisible() && !d->isMinimized());
    });
}

// Enter presses OK and Tab enters a radio group on its chosen item, whatever the last opening
// did with the keyboard; from the dialog itself, with no control focused, Tab goes to the
// first control of the layout, not to the buttons.
void TestSettingsDialog::keyboardAtEveryOpening()
{
    open([](TEinstellungen *d) {
        Child<QPushButton>(*d, "BitBtn2")->setFocus();
        QTest::keyClick(Child<QPushButton>(*d, "BitBtn2"), Qt::Key_Space);
    });
    QVERIFY(!(dialog()->result() == QDialog::Accepted));
    // The window system keeps the focus where it was when the dialog closed.
    Child<QPushButton>(*dialog(), "BitBtn2")->setFocus();
    open([](TEinstellungen *d) { QTest::keyClick(d->focusWidget(), Qt::Key_Return); });
    QVERIFY((dialog()->result() == QDialog::Accepted));

    // The chosen items come from the settings, not from a click in the group.
    main()->game().setAnimationSpeed(2);
    main()->game().setShuffleDuration(3);
    QList<QWidget *> tabbedTo;
    open([&tabbedTo](TEinstellungen *d) {
        for (QWidget *before : std::initializer_list<QWidget *> {Child<QPushButton>(*d, "BBGFarbe"), Child<QPushButton>(*d, "BitBtn2"), d}) {
            before->setFocus();
            QTest::keyClick(before, Qt::Key_Tab);
            tabbedTo << d->focusWidget();
        }
    });
    QCOMPARE(tabbedTo,
        QList<QWidget *>({Child<TRadioGroup>(*dialog(), "AnimationGroup")->item(2), Child<TRadioGroup>(*dialog(), "MischdauerGroup")->item(3),
            Child<TRadioGroup>(*dialog(), "MischdauerGroup")->item(3)}));
}

void TestSettingsDialog::fontChooser_data()
{
    QTest::addColumn<int>("points"); // chosen in the chooser, 0 for no change
    QTest::addColumn<QString>("family"); // of the board font afterwards
    const QString resolved = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    QTest::newRow("OK without a change") << 0 << "Arial";
    QTest::newRow("another size") << 14 << resolved;
}

// The toolkit's own chooser, answered at once.
void TestSettingsDialog::fontChooser()
{
    QFETCH(int, points);
    QFETCH(QString, family);
    QCOMPARE(Child(*main(), "Brett")->font().family(), QStringLiteral("Arial"));
    const QString resolved = QFontInfo(Child(*main(), "Brett")->font()).family();
    QFont opened;
    QStringList effects;
    open([&](TEinstellungen *d) {
        QTimer::singleShot(0, d, [&] {
            auto *chooser = qobject_cast<QFontDialog *>(QApplication::activeModalWidget());
            if (!chooser)
                return;
            opened = chooser->currentFont();
            // No effects and no writing systems: only the font, its style and its size.
            for (const QWidget *part : chooser->findChildren<QWidget *>()) {
                if ((qobject_cast<const QCheckBox *>(part) || qobject_cast<const QComboBox *>(part))
                    && part->isVisible())
                    effects << part->metaObject()->className();
            }
            if (points) {
                QFont other = opened;
                other.setPointSize(points);
                chooser->setCurrentFont(other);
            }
            chooser->accept();
        });
        Child<QPushButton>(*d, "BSchrift")->click();
        QTest::keyClick(d, Qt::Key_Return);
    });
    QCOMPARE(effects, QStringList());
    // It opened on the board font, not on the desktop's default.
    QCOMPARE(opened.family(), resolved);
    QVERIFY(opened.bold());
    QCOMPARE(opened.pointSize(), 9);
    const QFont chosen = Child(*main(), "Brett")->font();
    QCOMPARE(chosen.family(), family);
    QVERIFY(chosen.bold());
    QCOMPARE(chosen.pointSize(), points ? points : 9);
}

QTEST_MAIN(TestSettingsDialog)

#include "tst_settingsdialog.moc"

#include "app/ProgramWindows.h"
#include "controls/Panel.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
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

    void controls_data();
    void controls();
    void fillsFromTheMainWindowAndAppliesNothingUnchanged();
    void discardChangesNothing_data();
    void discardChangesNothing();
    void tileColourInNumberModeRecoloursTheRunningGame();
    void newBoardSizeGivesUpTheGame();
    void newTileSizeKeepsArrangementAndClock_data();
    void newTileSizeKeepsArrangementAndClock();
    void newTileSizeWhilePaused();
    void typedTileSize_data();
    void typedTileSize();
    void cheatingInTheDialogMarksTheGame();
    void choosersArePresetAndApplied();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    TEinstellungen *dialog() const { return m_windows->settings.get(); }
    // Opens the dialog from the main window; `play` acts while it runs. A dialog that `play`
    // leaves open is closed with Abbruch.
    void open(const std::function<void(TEinstellungen *)> &play);
    void startGame();
    QStringList state() const;

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
    for (int r = 0; r < window->GridSize; ++r)
        for (int c = 0; c < window->GridSize; ++c)
            text += QString::number(window->TileGrid[c][r]->NumberLabel->text().toInt()) + ' ';
    return text;
}

} // namespace

void TestSettingsDialog::init()
{
    m_windows = CreateProgramWindows();
    main()->movePointer = [](QPoint) {};
    main()->PictureName = QStringLiteral("/nicht/da.jpg");
    main()->Transparenz1->setChecked(true);
    main()->Steineumrahmen1->setChecked(true);
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
            dialog()->BitBtn2->click();
    });
    timer.start(0);
    main()->Einstellungen1Click();
    QVERIFY2(played, "the dialog did not show");
    QVERIFY(!dialog()->isVisible());
}

void TestSettingsDialog::startGame()
{
    main()->SetShuffleDuration(1);
    main()->seedRandom(11);
    main()->StartShuffle();
    QVERIFY(main()->isClockRunning());
    QVERIFY(!main()->isSolved());
}

// Everything of the main window that the dialog may change.
QStringList TestSettingsDialog::state() const
{
    const TTiloraForm *w = main();
    const QPalette board = w->Brett->palette();
    QStringList values;
    for (const QAction *mark : {w->Vorschau1, w->Schummeln1, w->Transparenz1, w->Steineumrahmen1})
        values << QString::number(mark->isChecked());
    for (const int value : {w->GridSize, w->ZoomFactor, w->AnimationSpeed, w->ShuffleDuration,
                            w->TileWidth, w->TileHeight, int(w->isClockRunning()),
                            int(w->GameCheated)})
        values << QString::number(value);
    values << w->TileColor.name() << w->BoardColor.name() << w->Brett->font().toString()
           << board.color(QPalette::WindowText).name() << board.color(QPalette::Window).name()
           << w->outline() << arrangement(w);
    return values;
}

void TestSettingsDialog::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("hint");
    QTest::newRow("Mischdauer") << "MischdauerGroup" << QRect(0, 0, 121, 129)
                                << "gibt die Mischdauer an";
    QTest::newRow("Steingröße") << "SteinGroesseEdit" << QRect(64, 17, 49, 22)
                                << "gibt die Steingröße in Pixeln an";
    QTest::newRow("Animation") << "AnimationGroup" << QRect(126, 130, 139, 73)
                               << "gibt die Bewegungsgeschwindigkeit der Steine an";
    QTest::newRow("OK") << "BitBtn1" << QRect(13, 12, 94, 25)
                        << "übernimmt alle Änderungen und beendet das Fenster";
    QTest::newRow("preview tile 3") << "SteinBild3" << QRect(12, 55, 42, 42) << "";
}

void TestSettingsDialog::controls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, hint);
    QCOMPARE(dialog()->windowTitle(), QStringLiteral("Einstellungen"));
    QCOMPARE(dialog()->size(), QSize(265, 369));
    QCOMPARE(dialog()->pos(), QPoint(254, 136));
    const auto *control = dialog()->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->toolTip(), hint);
    QVERIFY(dialog()->BitBtn1->isDefault());
}

void TestSettingsDialog::fillsFromTheMainWindowAndAppliesNothingUnchanged()
{
    main()->Steineumrahmen1->setChecked(false);
    main()->N201Click(main()->GridSizeItems[6 - 4]);
    main()->SetAnimationSpeed(1);
    main()->SetShuffleDuration(3);
    main()->ZoomFactor = 7;
    main()->TileColor = QColor(0x12, 0x34, 0x56);
    QSignalSpy rebuilt(main(), &TTiloraForm::boardRebuilt);
    const QStringList before = state();
    open([](TEinstellungen *d) {
        QVERIFY(!d->SteinRahmenEdit->isChecked());
        QVERIFY(d->TransparenzEdit->isChecked());
        QCOMPARE(d->GroesseEdit->value(), 6);
        QCOMPARE(d->ZoomEdit->value(), 7);
        QCOMPARE(d->AnimationGroup->ItemIndex(), 1);
        QCOMPARE(d->MischdauerGroup->ItemIndex(), 3);
        QCOMPARE(d->SteinGroesseEdit->value(), 50);
        QCOMPARE(d->SteinPanel->size(), QSize(124, 124));
        QCOMPARE(d->SteinBild->Color(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(d->SteinPanel->Color(), QColor(Qt::white));
        QCOMPARE(d->Steinbild2->BevelOuter(), TPanel::Bevel::None);
        tick(d->SteinRahmenEdit); // the preview tiles take the frame at once
        QCOMPARE(d->SteinBild3->BevelOuter(), TPanel::Bevel::Raised);
        tick(d->SteinRahmenEdit);
        QTest::keyClick(d, Qt::Key_Return);
    });
    QVERIFY(dialog()->isAccepted());
    QCOMPARE(state(), before);
    QCOMPARE(rebuilt.count(), 0);
}

void TestSettingsDialog::discardChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("earlierOk");
    for (const bool earlier : {false, true}) {
        for (const char *how : {"Abbruch", "Esc", "close box"})
            QTest::addRow("%s%s", how, earlier ? " after an OK" : "") << how << earlier;
    }
}

void TestSettingsDialog::discardChangesNothing()
{
    QFETCH(QString, how);
    QFETCH(bool, earlierOk);
    startGame();
    if (earlierOk) {
        open([](TEinstellungen *d) {
            type(d->ZoomEdit, QStringLiteral("9"));
            d->BitBtn1->click();
        });
        QCOMPARE(main()->ZoomFactor, 9);
    }
    const QStringList before = state();
    dialog()->chooseColor = [](const QColor &) { return QColor(Qt::red); };
    dialog()->chooseFont = [](const QFont &) { return QFont(QStringLiteral("Courier"), 20); };
    open([&how](TEinstellungen *d) {
        for (QCheckBox *box :
             {d->VorschauEdit, d->SchummelnEdit, d->TransparenzEdit, d->SteinRahmenEdit})
            tick(box);
        type(d->GroesseEdit, QStringLiteral("8"));
        type(d->ZoomEdit, QStringLiteral("3"));
        type(d->SteinGroesseEdit, QStringLiteral("77"));
        tick(d->AnimationGroup->item(2));
        tick(d->MischdauerGroup->item(4));
        for (QPushButton *button : {d->BSteinFarbe, d->BSchrift, d->BTextFarbe, d->BBGFarbe})
            button->click();
        QCOMPARE(d->SteinPanel->size(), QSize(178, 178));
        if (how == QLatin1String("Abbruch"))
            QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
        else if (how == QLatin1String("Esc"))
            QTest::keyClick(d, Qt::Key_Escape);
        else
            d->close();
    });
    QVERIFY(!dialog()->isAccepted());
    QCOMPARE(state(), before);
    QVERIFY(!m_windows->preview->isVisible());
}

void TestSettingsDialog::tileColourInNumberModeRecoloursTheRunningGame()
{
    main()->Text1Click();
    startGame();
    const QString tiles = arrangement(main());
    dialog()->chooseColor = [](const QColor &) { return QColor(0x20, 0xA0, 0x40); };
    open([](TEinstellungen *d) {
        QTest::mouseClick(d->BSteinFarbe, Qt::LeftButton);
        QCOMPARE(d->Steinbild2->Color(), QColor(0x20, 0xA0, 0x40));
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    for (int c = 0; c < 5; ++c)
        for (int r = 0; r < 5; ++r)
            if (c != main()->FreeCol || r != main()->FreeRow)
                QCOMPARE(main()->TileGrid[c][r]->Color(), QColor(0x20, 0xA0, 0x40));
    QCOMPARE(arrangement(main()), tiles);
    QVERIFY(main()->isClockRunning());
}

void TestSettingsDialog::newBoardSizeGivesUpTheGame()
{
    startGame();
    open([](TEinstellungen *d) {
        type(d->GroesseEdit, QStringLiteral("7"));
        QTest::keyClick(d->GroesseEdit, Qt::Key_Enter);
    });
    QCOMPARE(main()->GridSize, 7);
    QVERIFY(main()->GridSizeItems[7 - 4]->isChecked());
    QVERIFY(main()->isSolved());
    QVERIFY(main()->Panel4->isVisible());
    QVERIFY(!main()->isClockRunning());
    QCOMPARE(main()->zeit->text(), QStringLiteral("00:00:00"));
    QCOMPARE(main()->size(), QSize(7 * 50 + 36, 7 * 50 + 36));
}

void TestSettingsDialog::newTileSizeKeepsArrangementAndClock_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::newRow("Transparenz") << true;
    QTest::newRow("no Transparenz") << false;
}

void TestSettingsDialog::newTileSizeKeepsArrangementAndClock()
{
    QFETCH(bool, transparent);
    main()->Transparenz1->setChecked(transparent);
    startGame();
    main()->ClockSeconds = 41;
    const QString tiles = arrangement(main());
    const QPoint free(main()->FreeCol, main()->FreeRow);
    open([](TEinstellungen *d) {
        type(d->SteinGroesseEdit, QStringLiteral("70"));
        QTest::keyClick(d->SteinGroesseEdit, Qt::Key_Return);
    });
    TTiloraForm *w = main();
    QCOMPARE(w->TileWidth, 70);
    QCOMPARE(w->TileHeight, 70);
    QCOMPARE(w->size(), QSize(386, 386));
    QCOMPARE(w->Brett->size(), QSize(350, 350));
    QCOMPARE(arrangement(w), tiles);
    QCOMPARE(QPoint(w->FreeCol, w->FreeRow), free);
    QVERIFY(w->isClockRunning());
    QVERIFY(w->ClockSeconds >= 41);
    const QPoint hole = QPoint(18, 18) + free * 70;
    QCOMPARE(w->outline(),
             transparent ? QStringLiteral("U0,0,388,386,34,34\r\nX\r\nR%1,%2,%3,%4")
                               .arg(hole.x()).arg(hole.y()).arg(hole.x() + 70).arg(hole.y() + 70)
                         : QStringLiteral("U0,0,388,386,34,34"));
    const QImage picture = w->VorschauBild->picture().toImage();
    QCOMPARE(picture.size(), QSize(350, 350));
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < 5; ++r) {
            const TTiloraStein *tile = w->TileGrid[c][r];
            QCOMPARE(tile->geometry(), QRect(c * 70, r * 70, 70, 70));
            QCOMPARE(tile->PieceImage->picture().toImage(),
                     picture.copy(tile->HomeCol * 70, tile->HomeRow * 70, 70, 70));
        }
    }
}

void TestSettingsDialog::newTileSizeWhilePaused()
{
    startGame();
    main()->Pause1Click();
    open([](TEinstellungen *d) {
        type(d->SteinGroesseEdit, QStringLiteral("80"));
        d->BitBtn1->click();
    });
    TTiloraForm *w = main();
    QCOMPARE(w->size(), QSize(436, 436));
    QVERIFY(w->Brett->isHidden());
    QCOMPARE(w->Pausenpanel->pos(), QPoint(218 - 73 / 2, 218 - 33 / 2));
    QCOMPARE(w->outline(), QStringLiteral("U0,0,438,436,34,34"));
    w->Pause1Click();
    QCOMPARE(w->outline().split(QStringLiteral("\r\n")).last(),
             QStringLiteral("R%1,%2,%3,%4")
                 .arg(18 + w->FreeCol * 80).arg(18 + w->FreeRow * 80)
                 .arg(98 + w->FreeCol * 80).arg(98 + w->FreeRow * 80));
    QVERIFY(w->isClockRunning());
}

void TestSettingsDialog::typedTileSize_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("previewWhileTyping"); // preview tile size before Enter
    QTest::addColumn<int>("result");
    QTest::newRow("150") << "150" << 50 << 100;
    QTest::newRow("20") << "20" << 50 << 35;
    QTest::newRow("empty") << "" << 50 << 35;
    QTest::newRow("too many digits") << "12345678901" << 50 << 100;
    QTest::newRow("letters") << "4x5" << 45 << 45;
    QTest::newRow("smallest") << "35" << 35 << 35;
    QTest::newRow("largest") << "100" << 100 << 100;
}

void TestSettingsDialog::typedTileSize()
{
    QFETCH(QString, typed);
    QFETCH(int, previewWhileTyping);
    QFETCH(int, result);
    open([&](TEinstellungen *d) {
        type(d->SteinGroesseEdit, typed);
        const int v = previewWhileTyping;
        QCOMPARE(d->SteinPanel->size(), QSize(2 * v + 24, 2 * v + 24));
        QCOMPARE(d->SteinBild3->geometry(), QRect(12, 13 + v, v, v));
        // The dialog grows with the preview, never below its laid-out size.
        QCOMPARE(d->size(),
                 QSize(std::max(265, 127 + 2 * v + 36), std::max(369, 208 + 2 * v + 36)));
        QTest::keyClick(d->SteinGroesseEdit, Qt::Key_Return);
    });
    QCOMPARE(main()->TileWidth, result);
    QCOMPARE(main()->size(), QSize(5 * result + 36, 5 * result + 36));
}

void TestSettingsDialog::cheatingInTheDialogMarksTheGame()
{
    main()->Schummeln1->setChecked(false);
    startGame();
    QVERIFY(!main()->GameCheated);
    open([](TEinstellungen *d) {
        tick(d->SchummelnEdit);
        QTest::keyClick(d, Qt::Key_Return);
    });
    QVERIFY(main()->Schummeln1->isChecked());
    QVERIFY(main()->GameCheated);
    QVERIFY(!main()->TileGrid[2][3]->NumberLabel->isHidden());
    QVERIFY(main()->isClockRunning());
}

void TestSettingsDialog::choosersArePresetAndApplied()
{
    main()->TileColor = QColor(1, 2, 3);
    main()->BoardColor = QColor(4, 5, 6);
    const QFont boardFont = main()->Brett->font();
    QList<QColor> presets;
    QFont fontPreset;
    const QList<QColor> chosen{QColor(10, 20, 30), QColor(40, 50, 60), QColor(70, 80, 90)};
    dialog()->chooseColor = [&](const QColor &initial) {
        presets << initial;
        return chosen[presets.size() - 1];
    };
    const QFont courier(QStringLiteral("Courier"), 17);
    dialog()->chooseFont = [&](const QFont &initial) {
        fontPreset = initial;
        return courier;
    };
    open([](TEinstellungen *d) {
        for (QPushButton *button : {d->BSteinFarbe, d->BTextFarbe, d->BBGFarbe, d->BSchrift})
            button->click();
        d->BitBtn1->click();
    });
    QCOMPARE(presets, (QList<QColor>{QColor(1, 2, 3), QColor(Qt::black), QColor(4, 5, 6)}));
    QCOMPARE(fontPreset.family(), boardFont.family());
    QCOMPARE(fontPreset.pointSize(), boardFont.pointSize());
    QCOMPARE(fontPreset.bold(), boardFont.bold());
    QCOMPARE(main()->TileColor, chosen[0]);
    QCOMPARE(main()->BoardColor, chosen[2]);
    QCOMPARE(main()->Brett->palette().color(QPalette::Window), chosen[2]);
    const QFont numbers = main()->TileGrid[1][1]->NumberLabel->font();
    QCOMPARE(numbers.family(), courier.family());
    QCOMPARE(numbers.pointSize(), 17);
    QCOMPARE(main()->TileGrid[1][1]->NumberLabel->palette().color(QPalette::WindowText),
             chosen[1]);
}

QTEST_MAIN(TestSettingsDialog)

#include "tst_settingsdialog.moc"

#include "app/ProgramWindows.h"
#include "app/Resources.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "main/OpenPictureDialog.h"
#include "main/TiloraStein.h"
#include "windows/bildfenster.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <set>

// The board as the main window builds it: geometry, tiles, outline, picture and the commands
// that rebuild it.
class TestBoard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstShowingBuildsTheDefaultBoard();
    void gridSizes_data();
    void gridSizes();
    void shrinkingLeavesNoDanglingEntries();
    void largestBoardIsNotLimitedToTheScreen();
    void numberModeAndBack();
    void missingFileFallsBackToTheCheckedMotif_data();
    void missingFileFallsBackToTheCheckedMotif();
    void damagedFilesStillBuildABoard_data();
    void damagedFilesStillBuildABoard();
    void motifKeyKeepsALoadedPicture();
    void chosenPictureInNumberModeSwitchesToPictures();
    void pictureDialogOffersTheFilterAndAPreview();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    void show();
    QImage pieceOf(int col, int row) const;

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
};

void TestBoard::init()
{
    m_windows = CreateProgramWindows();
    main()->movePointer = [](QPoint) {};
    main()->PictureName = m_folder.filePath(QStringLiteral("nicht-da.jpg"));
    main()->Transparenz1->setChecked(true);
    main()->Steineumrahmen1->setChecked(true);
}

void TestBoard::cleanup()
{
    m_windows.reset();
}

void TestBoard::show()
{
    main()->show();
    QVERIFY(QTest::qWaitForWindowExposed(main()));
}

QImage TestBoard::pieceOf(int col, int row) const
{
    return main()->TileGrid[col][row]->PieceImage->picture().toImage();
}

void TestBoard::firstShowingBuildsTheDefaultBoard()
{
    show();
    TTiloraForm *window = main();
    QCOMPARE(window->geometry(), QRect(42, 142, 286, 286));
    QCOMPARE(window->Brett->geometry(), QRect(18, 18, 250, 250));
    QCOMPARE(window->outline(), QStringLiteral("U0,0,288,286,34,34\r\nX\r\nR218,218,268,268"));
    QCOMPARE(window->zeit->text(), QStringLiteral("00:00:00"));
    QCOMPARE(window->Panel4->pos(), QPoint(125 - 36, 125 - 37 / 2));
    QVERIFY(window->Panel4->isVisible() && window->isSolved());
    QCOMPARE(window->PictureName, QStringLiteral("Motiv A"));
    // Right-anchored caption buttons keep their distance to the right edge (336 at design).
    QCOMPARE(window->SpezialButton4->x(), 286 - (336 - 303));
    // The pieces are cut pixel for pixel from the board's picture.
    const QImage board = window->VorschauBild->picture().toImage();
    QCOMPARE(pieceOf(3, 1), board.copy(150, 50, 50, 50));
}

void TestBoard::gridSizes_data()
{
    QTest::addColumn<int>("size");
    for (int size = MinGridSize; size <= MaxGridSize; ++size)
        QTest::addRow("%dx%d", size, size) << size;
}

void TestBoard::gridSizes()
{
    QFETCH(int, size);
    show();
    TTiloraForm *window = main();
    window->N201Click(window->GridSizeItems[size - MinGridSize]);
    QCOMPARE(window->GridSize, size);
    QCOMPARE(window->size(), QSize(size * 50 + 36, size * 50 + 36));
    QVERIFY(window->GridSizeItems[size - MinGridSize]->isChecked());
    QVERIFY(window->isSolved());
    const TTiloraStein *second = window->TileGrid[1][0];
    QCOMPARE(second->pos(), QPoint(50, 0));
    QCOMPARE(second->NumberLabel->text(), QStringLiteral("2"));
    TTiloraStein *hidden = window->TileGrid[size - 1][size - 1];
    QCOMPARE(hidden->NumberLabel->text().toInt(), size * size);
    QVERIFY(hidden->isHidden() && hidden->PieceImage->isHidden());
    const int edge = 18 + (size - 1) * 50;
    QCOMPARE(window->outline().split(QStringLiteral("\r\n")).last(),
        QStringLiteral("R%1,%1,%2,%2").arg(edge).arg(edge + 50));
}

void TestBoard::shrinkingLeavesNoDanglingEntries()
{
    show();
    TTiloraForm *window = main();
    window->N201Click(window->GridSizeItems.back());
    QPointer<TTiloraStein> far = window->TileGrid[11][11];
    window->N201Click(window->GridSizeItems.front());
    for (int c = 0; c < MaxGridSize; ++c)
        for (int r = 0; r < MaxGridSize; ++r)
            QCOMPARE(window->TileGrid[c][r] != nullptr, c < 4 && r < 4);
    // The old tiles are gone once the event loop has run.
    QTRY_VERIFY(far.isNull());
}

void TestBoard::largestBoardIsNotLimitedToTheScreen()
{
    TTiloraForm *window = main();
    window->TileWidth = window->TileHeight = 100;
    show();
    window->N201Click(window->GridSizeItems.back());
    QCOMPARE(window->size(), QSize(1236, 1236));
    QCOMPARE(window->Brett->size(), QSize(1200, 1200));
    QCOMPARE(window->outline().split(QStringLiteral("\r\n")).first(),
        QStringLiteral("U0,0,1238,1236,34,34"));
}

void TestBoard::numberModeAndBack()
{
    show();
    TTiloraForm *window = main();
    window->TileColor = QColor(0x20, 0x40, 0x60);
    window->Text1Click();
    QVERIFY(!window->PictureMode);
    QCOMPARE(window->Text1->text(), QStringLiteral("Bild"));
    QVERIFY(!window->Schummeln1->isVisible() && !window->Vorschau1->isVisible());
    QVERIFY(window->TileGrid[0][0]->PieceImage->isHidden());
    QCOMPARE(window->TileGrid[0][0]->Color(), window->TileColor);
    QVERIFY(window->TileGrid[0][0]->NumberLabel->isVisible());
    // The hidden tile's number never shows.
    QVERIFY(!window->TileGrid[4][4]->NumberLabel->isVisible());

    window->Text1Click();
    QVERIFY(window->PictureMode && window->Schummeln1->isVisible());
    QCOMPARE(window->Text1->text(), QStringLiteral("Text"));
    QCOMPARE(window->PictureName, QStringLiteral("Motiv A"));
    QVERIFY(window->TileGrid[0][0]->PieceImage->isVisible());
    QVERIFY(window->TileGrid[0][0]->NumberLabel->isHidden());
}

void TestBoard::missingFileFallsBackToTheCheckedMotif_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("motifB");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file, B checked") << "fehlt.jpg" << true << "Motiv B";
    // The checked motif is not stored: a stored "Motiv B" starts with A.
    QTest::newRow("stored Motiv B") << "Motiv B" << false << "Motiv A";
}

void TestBoard::missingFileFallsBackToTheCheckedMotif()
{
    QFETCH(QString, stored);
    QFETCH(bool, motifB);
    QFETCH(QString, expected);
    main()->PictureName = stored;
    (motifB ? main()->Bild2 : main()->Bild1)->setChecked(true);
    show();
    QCOMPARE(main()->PictureName, expected);
    const QImage motif = BuiltInPicture(expected == QLatin1String("Motiv A") ? 1 : 2)
                             .scaled(250, 250, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage board = main()->VorschauBild->picture().toImage().convertToFormat(motif.format());
    // Same picture up to the scaling filter.
    const QColor a(board.pixel(60, 60));
    const QColor b(motif.pixel(60, 60));
    QVERIFY2(qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 40,
        qPrintable(a.name() + QLatin1Char(' ') + b.name()));
}

void TestBoard::damagedFilesStillBuildABoard_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("garbage jpeg") << "kaputt.jpeg" << QByteArray(5000, '\x5a');
    QTest::newRow("garbage bmp") << "kaputt.bmp" << QByteArray("BM\x10\x00\x00\x00garbage");
    QTest::newRow("unknown kind") << "bild.txt" << QByteArray("kein Bild");
}

void TestBoard::damagedFilesStillBuildABoard()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    const QString path = m_folder.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
    file.close();
    main()->PictureName = path;
    show();
    // The choice is kept, and a full board of the checked motif is there to play.
    QCOMPARE(main()->PictureName, path);
    QVERIFY(main()->isSolved() && main()->Panel4->isVisible());
    QCOMPARE(main()->VorschauBild->picture().size(), QSize(250, 250));
}

void TestBoard::motifKeyKeepsALoadedPicture()
{
    QImage green(60, 60, QImage::Format_RGB32);
    green.fill(Qt::green);
    const QString path = m_folder.filePath(QStringLiteral("gruen.bmp"));
    QVERIFY(green.save(path, "BMP"));
    main()->PictureName = path;
    show();
    QSignalSpy rebuilt(main(), &TTiloraForm::boardRebuilt);
    main()->Bild2Click();
    QCOMPARE(rebuilt.count(), 1);
    QVERIFY(main()->Bild2->isChecked());
    QCOMPARE(main()->PictureName, path);
    QCOMPARE(QColor(pieceOf(1, 1).pixel(20, 20)), QColor(Qt::green));
}

void TestBoard::chosenPictureInNumberModeSwitchesToPictures()
{
    QImage blue(60, 60, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    const QString path = m_folder.filePath(QStringLiteral("blau.bmp"));
    QVERIFY(blue.save(path, "BMP"));
    show();
    main()->Text1Click();
    QVERIFY(!main()->PictureMode);
    main()->choosePictureFile = [path](QWidget *) { return path; };
    main()->Bildladen1Click();
    QVERIFY(main()->PictureMode);
    QCOMPARE(main()->PictureName, path);
    QCOMPARE(QColor(pieceOf(0, 0).pixel(20, 20)), QColor(Qt::blue));
}

void TestBoard::pictureDialogOffersTheFilterAndAPreview()
{
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString picture = m_folder.filePath(QStringLiteral("rot.bmp"));
    QVERIFY(red.save(picture, "BMP"));

    QStringList descriptions;
    QStringList firstPatterns;
    bool previewShown = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        descriptions = dialog->nameFilters();
        if (auto *model = dialog->findChild<QFileSystemModel *>())
            firstPatterns = model->nameFilters();
        dialog->setDirectory(m_folder.path());
        dialog->selectFile(picture);
        // What the dialog announces when the player steps onto a file.
        QMetaObject::invokeMethod(dialog, "currentChanged", Q_ARG(QString, picture));
        auto *preview = dialog->findChild<QLabel *>(QStringLiteral("Vorschau"));
        previewShown = preview && !preview->pixmap().isNull();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QCOMPARE(RunOpenPictureDialog(nullptr), QFileInfo(picture).absoluteFilePath());

    QCOMPARE(descriptions.size(), 7);
    QCOMPARE(descriptions.first(),
        QStringLiteral("Alle Dateien (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"));
    QCOMPARE(firstPatterns, (QStringList {"*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.emf", "*.wmf"}));
    QVERIFY(previewShown);
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"

#include "app/ProgramWindows.h"
#include "app/Resources.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "main/OpenPictureDialog.h"
#include "main/TiloraStein.h"
#include "region/FormRgn.h"
#include "windows/bildfenster.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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
    void picturePiecesAreCutPixelForPixel();
    void widePictureIsSqueezed();
    void missingFileFallsBackToTheCheckedMotif_data();
    void missingFileFallsBackToTheCheckedMotif();
    void damagedFilesStillBuildABoard_data();
    void damagedFilesStillBuildABoard();
    void motifKeyKeepsALoadedPicture();
    void cancelledPictureDialogChangesNothing();
    void chosenPictureInNumberModeSwitchesToPictures();
    void opaqueFreeSlotKeepsThePlainOutline();
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
    QCOMPARE(window->pos(), QPoint(42, 142));
    QCOMPARE(window->size(), QSize(286, 286));
    QCOMPARE(window->Brett->geometry(), QRect(18, 18, 250, 250));
    QCOMPARE(window->outline(),
             QStringLiteral("U0,0,288,286,34,34\r\nX\r\nR218,218,268,268"));
    QCOMPARE(window->zeit->text(), QStringLiteral("00:00:00"));
    QVERIFY(window->Panel4->isVisible());
    QCOMPARE(window->Panel4->pos(), QPoint(125 - 36, 125 - 37 / 2));
    QCOMPARE(window->FreeCol, 4);
    QCOMPARE(window->FreeRow, 4);
    QVERIFY(window->isSolved());
    QCOMPARE(window->PictureName, QStringLiteral("Motiv A"));

    // Right-anchored caption buttons keep their distance to the right edge (336 at design).
    QCOMPARE(window->SpezialButton4->x(), 286 - (336 - 303));
    QCOMPARE(window->SpezialButton2->x(), 286 - (336 - 274));
    QCOMPARE(window->SpezialButton5->x(), 23);

    // The build happens once; showing again does not rebuild.
    QSignalSpy rebuilt(window, &TTiloraForm::boardRebuilt);
    window->hide();
    window->show();
    QCOMPARE(rebuilt.count(), 0);
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
    std::set<int> numbers;
    for (int c = 0; c < MaxGridSize; ++c) {
        for (int r = 0; r < MaxGridSize; ++r) {
            TTiloraStein *tile = window->TileGrid[c][r];
            if (c >= size || r >= size) {
                QVERIFY(!tile);
                continue;
            }
            QVERIFY(tile);
            QCOMPARE(tile->HomeCol, c);
            QCOMPARE(tile->HomeRow, r);
            QCOMPARE(tile->pos(), QPoint(c * 50, r * 50));
            numbers.insert(tile->NumberLabel->text().toInt());
        }
    }
    QCOMPARE(int(numbers.size()), size * size);
    QCOMPARE(*numbers.begin(), 1);
    QCOMPARE(*numbers.rbegin(), size * size);
    TTiloraStein *hidden = window->TileGrid[size - 1][size - 1];
    QCOMPARE(hidden->NumberLabel->text().toInt(), size * size);
    QVERIFY(hidden->isHidden());
    QVERIFY(hidden->PieceImage->isHidden());
    QVERIFY(window->isSolved());
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
    const QString picture = window->PictureName;
    window->Text1Click();

    QVERIFY(!window->PictureMode);
    QCOMPARE(window->Text1->text(), QStringLiteral("Bild"));
    QVERIFY(!window->Schummeln1->isVisible());
    QVERIFY(!window->Vorschau1->isVisible());
    for (int c = 0; c < 5; ++c) {
        for (int r = 0; r < 5; ++r) {
            TTiloraStein *tile = window->TileGrid[c][r];
            QVERIFY(tile->PieceImage->isHidden());
            QCOMPARE(tile->Color(), window->TileColor);
            // The hidden tile's number never shows.
            QCOMPARE(tile->isVisible() && tile->NumberLabel->isVisible(), c != 4 || r != 4);
        }
    }

    window->Text1Click();
    QVERIFY(window->PictureMode);
    QCOMPARE(window->Text1->text(), QStringLiteral("Text"));
    QVERIFY(window->Schummeln1->isVisible());
    QCOMPARE(window->PictureName, picture);
    QVERIFY(window->TileGrid[0][0]->PieceImage->isVisible());
    QVERIFY(window->TileGrid[0][0]->NumberLabel->isHidden());
}

void TestBoard::picturePiecesAreCutPixelForPixel()
{
    show();
    TTiloraForm *window = main();
    const QImage board = window->VorschauBild->picture().toImage();
    QCOMPARE(board.size(), QSize(250, 250));
    for (const QPoint cell : {QPoint(0, 0), QPoint(3, 1), QPoint(2, 4)}) {
        const QImage piece = pieceOf(cell.x(), cell.y());
        QCOMPARE(piece.size(), QSize(50, 50));
        QCOMPARE(piece, board.copy(cell.x() * 50, cell.y() * 50, 50, 50));
    }
    // The solution window shows the same picture, at (12, 12) of a window 24 pixels larger.
    QCOMPARE(window->VorschauBild->pos(), QPoint(12, 12));
    QCOMPARE(m_windows->preview->size(), QSize(274, 274));
}

void TestBoard::widePictureIsSqueezed()
{
    // Left half red, right half blue, top stripe green: squeezed, not cropped.
    QImage wide(800, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QPainter painter(&wide);
    painter.fillRect(400, 0, 400, 100, Qt::blue);
    painter.end();
    const QString path = m_folder.filePath(QStringLiteral("breit.bmp"));
    QVERIFY(wide.save(path, "BMP"));
    main()->PictureName = path;
    show();
    QCOMPARE(main()->PictureName, path);
    const QImage board = main()->VorschauBild->picture().toImage();
    QCOMPARE(QColor(board.pixel(10, 125)), QColor(Qt::red));
    QCOMPARE(QColor(board.pixel(240, 125)), QColor(Qt::blue));
    QCOMPARE(QColor(pieceOf(0, 2).pixel(25, 25)), QColor(Qt::red));
    QCOMPARE(QColor(pieceOf(4, 2).pixel(25, 25)), QColor(Qt::blue));
}

void TestBoard::missingFileFallsBackToTheCheckedMotif_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("motifB");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing file, A checked") << "fehlt.jpg" << false << "Motiv A";
    QTest::newRow("missing file, B checked") << "fehlt.jpg" << true << "Motiv B";
    // The checked motif is not stored: a stored "Motiv B" starts with A.
    QTest::newRow("stored Motiv B") << "Motiv B" << false << "Motiv A";
    QTest::newRow("stored motiv a, other case") << "motiv a" << false << "Motiv A";
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
    QTest::newRow("empty jpeg") << "leer.jpg" << QByteArray();
    QTest::newRow("garbage jpeg") << "kaputt.jpeg" << QByteArray(5000, '\x5a');
    QTest::newRow("jpeg header only") << "kopf.jpg" << QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF", 10);
    QTest::newRow("garbage bmp") << "kaputt.bmp" << QByteArray("BM\x10\x00\x00\x00garbage");
    QTest::newRow("garbage ico") << "kaputt.ico" << QByteArray(64, '\x01');
    QTest::newRow("metafile") << "bild.wmf" << QByteArray("\xd7\xcd\xc6\x9a\x00\x00", 6);
    QTest::newRow("unknown kind") << "bild.txt" << QByteArray("kein Bild");
}

void TestBoard::damagedFilesStillBuildABoard()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, contents);
    const QString path = m_folder.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
    file.close();
    main()->PictureName = path;
    show();
    // The choice is kept, and a full board of the checked motif is there to play.
    QCOMPARE(main()->PictureName, path);
    QVERIFY(main()->isSolved());
    QCOMPARE(main()->VorschauBild->picture().size(), QSize(250, 250));
    QVERIFY(main()->Panel4->isVisible());
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

void TestBoard::cancelledPictureDialogChangesNothing()
{
    show();
    QSignalSpy rebuilt(main(), &TTiloraForm::boardRebuilt);
    main()->choosePictureFile = [](QWidget *) { return QString(); };
    const QString before = main()->PictureName;
    main()->Bildladen1Click();
    QCOMPARE(rebuilt.count(), 0);
    QCOMPARE(main()->PictureName, before);
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

void TestBoard::opaqueFreeSlotKeepsThePlainOutline()
{
    main()->Transparenz1->setChecked(false);
    main()->BoardColor = QColor(Qt::yellow);
    show();
    QCOMPARE(main()->outline(), QStringLiteral("U0,0,288,286,34,34"));
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

    const auto pairs = PictureFilterPairs(TTiloraForm::pictureFileFilter());
    QCOMPARE(int(pairs.size()), 7);
    QStringList expected;
    for (const auto &pair : pairs)
        expected << pair.first;
    QCOMPARE(descriptions, expected);
    QCOMPARE(descriptions.first(),
             QStringLiteral("Alle Dateien (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)"));
    QCOMPARE(firstPatterns, (QStringList{"*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.emf", "*.wmf"}));
    QVERIFY(previewShown);
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"

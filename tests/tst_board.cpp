#include "support/TestWindows.h"
#include "desktop/ErrorReport.h"
#include "desktop/Resources.h"
#include "logic/PictureDecoding.h"
#include "controls/Panel.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"

#include <QApplication>
#include <QBuffer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The board as the main window builds it: geometry, tiles, outline, picture and the commands
// that rebuild it.
class TestBoard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gridSizes_data();
    void gridSizes();
    void numberModeAndBackByChoosingAPicture();
    void undecodableChoiceIsRefused();
    void boardPicture_data();
    void boardPicture();

private:
    TTiloraForm *main() const { return m_windows->main.get(); }
    void show();
    QString writeFile(const QString &name, const QByteArray &contents);
    QImage pieceOf(int col, int row) const
    {
        return TileAt(*main(), QPoint(col, row))->PieceImage->picture().toImage();
    }

    std::unique_ptr<ProgramWindows> m_windows;
    QTemporaryDir m_folder;
};

namespace {

QByteArray bitmap(Qt::GlobalColor colour)
{
    QImage picture(60, 60, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    const bool saved = buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "BMP");
    return saved ? bytes : QByteArray();
}

} // namespace

void TestBoard::init()
{
    m_windows = CreateTestWindows(m_folder.path());
    main()->hooks.movePointer = [](QPoint) {};
    SetPictureName(*main(), m_folder.filePath(QStringLiteral("nicht-da.jpg")));
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

QString TestBoard::writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(m_folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size()
        ? file.fileName()
        : QString();
}

void TestBoard::gridSizes_data()
{
    QTest::addColumn<int>("before"); // grid size chosen first, 0 for none
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("tile");
    QTest::newRow("first showing, 5x5") << 0 << 5 << 50;
    QTest::newRow("shrunk to 4x4") << 12 << 4 << 50;
    // Not limited to the screen.
    QTest::newRow("12x12 of 100-pixel tiles") << 4 << 12 << 100;
}

void TestBoard::gridSizes()
{
    QFETCH(int, before);
    QFETCH(int, size);
    QFETCH(int, tile);
    TTiloraForm *window = main();
    Settings settings = window->game().settings();
    settings.tileSize = tile;
    window->game().setSettings(settings);
    show();
    QPointer<TTiloraStein> old = TileAt(*window, QPoint(0, 0));
    for (int choice : {before, size}) {
        if (choice)
            ChooseGridSize(*window, choice);
    }
    // A board larger than the screen's room gets the tiles that fit; the window stays whole on
    // the screen.
    const QRect area = window->screen()->availableGeometry();
    tile = std::min(tile, (std::min(area.width(), area.height()) - 36) / size);
    const int board = size * tile;
    const int edge = 18 + board - tile;
    QCOMPARE(window->size(), QSize(board + 36, board + 36));
    QVERIFY(area.contains(window->geometry()));
    if (area.contains(QRect(QPoint(42, 142), window->size())))
        QCOMPARE(window->pos(), before ? window->pos() : QPoint(42, 142));
    QCOMPARE(Child(*window, "Brett")->geometry(), QRect(18, 18, board, board));
    QCOMPARE(Outline(*window).split(QStringLiteral("\r\n")).last(),
        QStringLiteral("R%1,%1,%2,%2").arg(edge).arg(edge + tile));
    QVERIFY(window->game().puzzle().isSolved() && Child<TPanel>(*window, "Panel4")->isVisible());
    // In front of the tiles.
    QCOMPARE(Child(*window, "Brett")->childAt(Child<TPanel>(*window, "Panel4")->geometry().center()), Child<TPanel>(*window, "Panel4"));
    QCOMPARE(Child<TPanel>(*window, "Panel4")->pos(), QPoint(board / 2 - 36, board / 2 - 37 / 2));
    // Right-anchored caption buttons keep their distance to the right edge (336 at design).
    QCOMPARE(Child<TSpezialButton>(*window, "SpezialButton4")->x(), window->width() - (336 - 303));

    QCOMPARE(TileAt(*window, QPoint(1, 0))->pos(), QPoint(tile, 0));
    QCOMPARE(TileAt(*window, QPoint(1, 0))->NumberLabel->text(), QStringLiteral("2"));
    TTiloraStein *hidden = TileAt(*window, QPoint(size - 1, size - 1));
    QCOMPARE(hidden->NumberLabel->text().toInt(), size * size);
    QVERIFY(hidden->isHidden() && hidden->PieceImage->isHidden());
    // The pieces are cut pixel for pixel from the board's picture.
    const QImage picture = window->boardPicture().toImage();
    QCOMPARE(pieceOf(3, 1), picture.copy(3 * tile, tile, tile, tile));
    // No entries are left over, and replaced tiles go once the event loop has run.
    QTRY_COMPARE(old.isNull(), before > 0);
    QTRY_COMPARE(Child(*window, "Brett")->findChildren<TTiloraStein *>().size(), size * size);
}

// Back to pictures through the picture dialog, which offers the filter and a preview.
void TestBoard::numberModeAndBackByChoosingAPicture()
{
    show();
    TTiloraForm *window = main();
    Settings settings = window->game().settings();
    settings.tileColor = QColor(0x20, 0x40, 0x60);
    window->game().setSettings(settings);
    Choose(*window, "Text1");
    QVERIFY(TileAt(*window, QPoint(0, 0))->PieceImage->isHidden());
    QCOMPARE(TileAt(*window, QPoint(0, 0))->Color(), window->game().settings().tileColor);

    const QString path = QFileInfo(writeFile("blau.bmp", bitmap(Qt::blue))).absoluteFilePath();
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
        dialog->selectFile(path);
        // What the dialog announces when the player steps onto a file.
        QMetaObject::invokeMethod(dialog, "currentChanged", Q_ARG(QString, path));
        auto *preview = dialog->findChild<QLabel *>(QStringLiteral("Vorschau"));
        previewShown = preview && !preview->pixmap().isNull();
        QMetaObject::invokeMethod(dialog, "accept");
    });
    Choose(*window, "Bildladen1");
    // The classic seven, then those the toolkit reads here (PNG always).
    QCOMPARE(descriptions.size(), 7 + FurtherPictureFormats().size());
    QCOMPARE(descriptions[7], QStringLiteral("PNG Bilder (*.png)"));
    // The first pair offers every kind of the others.
    QStringList every {"*.jpg", "*.jpeg", "*.bmp", "*.ico", "*.emf", "*.wmf"};
    for (const PictureFormat &format : FurtherPictureFormats())
        every += format.patterns;
    QCOMPARE(descriptions.first(), QStringLiteral("Alle Dateien (%1)").arg(every.join(u';')));
    QCOMPARE(firstPatterns, every);
    QVERIFY(every.contains(QStringLiteral("*.png")));
    QVERIFY(previewShown);

    QCOMPARE(window->game().settings().pictureName, path);
    QVERIFY(TileAt(*window, QPoint(0, 0))->NumberLabel->isHidden());
    QCOMPARE(QColor(pieceOf(0, 0).pixel(20, 20)), QColor(Qt::blue));
}

void TestBoard::boardPicture_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QByteArray>("contents"); // of the stored file, none when empty
    QTest::addColumn<bool>("keyB");
    QTest::addColumn<QString>("expected"); // "" for the stored file
    QTest::addColumn<int>("motif"); // shown; 0 for the stored picture
    QTest::addColumn<QString>("told"); // what the player is told
    QTest::newRow("missing file") << "fehlt.jpg" << QByteArray() << true << "Motiv B" << 2 << "";
    // The checked motif is not stored: a stored "Motiv B" starts with A.
    QTest::newRow("stored Motiv B") << "Motiv B" << QByteArray() << false << "Motiv A" << 1 << "";
    // A damaged file falls back to the checked motif and takes its name, so that it is not
    // tried again at every start; the player learns why.
    QTest::newRow("damaged file") << "kaputt.jpeg" << QByteArray(5000, '\x5a') << true
                                  << "Motiv B" << 2 << "Das Bild kaputt.jpeg ist beschädigt.";
    QTest::newRow("loaded picture") << "gruen.bmp" << bitmap(Qt::green) << true << "" << 0 << "";
}

// A chosen file that gives no picture (a metafile, a damaged file) is refused with a word to
// the player; the board keeps its picture and its name.
void TestBoard::undecodableChoiceIsRefused()
{
    show();
    const QString before = main()->game().settings().pictureName;
    const QString metafile = writeFile(QStringLiteral("zeichnung.wmf"), QByteArray(600, '\x01'));
    main()->hooks.choosePictureFile = [&](QWidget *) { return metafile; };
    QStringList told;
    const auto reporter = CurrentErrorReporter();
    SetErrorReporter([&](const QString &text) { told << text; });
    const QPointer<TTiloraStein> tile = TileAt(*main(), QPoint(0, 0));
    Choose(*main(), "Bildladen1");
    SetErrorReporter(reporter);
    QCOMPARE(told, QStringList{QStringLiteral("Das Bild zeichnung.wmf ist beschädigt.")});
    QCOMPARE(TileAt(*main(), QPoint(0, 0)), tile.data()); // no new board
    QCOMPARE(main()->game().settings().pictureName, before);
}

void TestBoard::boardPicture()
{
    QFETCH(QString, stored);
    QFETCH(QByteArray, contents);
    QFETCH(bool, keyB);
    QFETCH(QString, expected);
    QFETCH(int, motif);
    QFETCH(QString, told);
    QStringList heard;
    const auto reporter = CurrentErrorReporter();
    SetErrorReporter([&](const QString &text) { heard << text; });
    SetPictureName(*main(), contents.isEmpty() ? stored : writeFile(stored, contents));
    const QString chosen = main()->game().settings().pictureName;
    show();
    QCoreApplication::processEvents();
    SetErrorReporter(reporter);
    QCOMPARE(heard.join(u'|'), told);
    const QPointer<TTiloraStein> tile = TileAt(*main(), QPoint(0, 0));
    if (keyB)
        Choose(*main(), "Bild2");
    QCOMPARE(TileAt(*main(), QPoint(0, 0)) != tile.data(), keyB); // a new board
    QCOMPARE(main()->game().settings().pictureName, expected.isEmpty() ? chosen : expected);
    // Same picture up to the scaling filter.
    const QColor a = main()->boardPicture().toImage().pixelColor(60, 60);
    const QColor b = (motif ? BuiltInPicture(motif) : QImage::fromData(contents))
                         .scaled(250, 250, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .pixelColor(60, 60);
    const int distance
        = qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue());
    QVERIFY2(distance < 40, qPrintable(a.name() + QLatin1Char(' ') + b.name()));
}

QTEST_MAIN(TestBoard)
#include "tst_board.moc"

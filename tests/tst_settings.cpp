#include "app/ProgramWindows.h"
#include "app/TiloraApplication.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/ueberfenster.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The settings file: what a start reads from it, and what a close writes back.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readValues_data();
    void readValues();
    void firstStartUsesDefaultsAndWritesAllKeys();
    void closeUpdatesInPlaceAndKeepsTheRest();
    void unwritableFileIsReportedOnceAndTheOldFileStays();

private:
    void writeSettings(const QByteArray &text);
    QByteArray settingsText() const;
    std::unique_ptr<ProgramWindows> start();
    void closeProgram(ProgramWindows &windows);

    std::unique_ptr<QTemporaryDir> m_folder;
    QStringList m_reports;
};

void TestSettings::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    TTiloraForm::setSettingsFolder(m_folder->path());
    m_reports.clear();
    TiloraApplication::setErrorReporter([this](const QString &text) { m_reports << text; });
}

void TestSettings::cleanup()
{
    TTiloraForm::setSettingsFolder(QString());
}

void TestSettings::writeSettings(const QByteArray &text)
{
    QFile file(m_folder->filePath(QStringLiteral("tilora.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray TestSettings::settingsText() const
{
    QFile file(m_folder->filePath(QStringLiteral("tilora.ini")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<ProgramWindows> TestSettings::start()
{
    auto windows = CreateProgramWindows();
    windows->main->movePointer = [](QPoint) {};
    return windows;
}

void TestSettings::closeProgram(ProgramWindows &windows)
{
    // The farewell window holds the close for two seconds; let it count down at once.
    TAboutBox *about = windows.about.get();
    QTimer::singleShot(0, about, [about] {
        for (int tick = 0; tick < TAboutBox::FarewellTicks; ++tick)
            about->Timer1Timer();
    });
    windows.main->close();
}

void TestSettings::readValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("gridSize");
    QTest::addColumn<int>("tileSize");
    QTest::addColumn<int>("style"); // bold 1, italic 2
    QTest::addColumn<int>("animation");
    QTest::newRow("grid above range")
        << QByteArray("[Allgemein]\nGroesse=20\n") << 12 << 50 << 1 << 2;
    QTest::newRow("hex tile size raised")
        << QByteArray("[Allgemein]\nSteingroesse=0x20\n") << 5 << 35 << 1 << 2;
    QTest::newRow("bold italic") << QByteArray("[Allgemein]\nSteinTextStyle=3\n") << 5 << 50 << 3
                                 << 2;
    QTest::newRow("style out of range keeps bold")
        << QByteArray("[Allgemein]\nSteinTextStyle=16\n") << 5 << 50 << 1 << 2;
    QTest::newRow("other letter case")
        << QByteArray("[ALLGEMEIN]\ngroesse=8\nSTEINGROESSE=40\nanimation=1\n") << 8 << 40 << 1
        << 1;
}

void TestSettings::readValues()
{
    QFETCH(QByteArray, file);
    QFETCH(int, gridSize);
    QFETCH(int, tileSize);
    QFETCH(int, style);
    QFETCH(int, animation);
    writeSettings(file);
    auto windows = start();
    TTiloraForm &main = *windows->main;
    QVERIFY(main.settingsFileExisted());
    QCOMPARE(main.puzzle().gridSize(), gridSize);
    QCOMPARE(main.puzzle().tileSize(), tileSize);
    QCOMPARE(main.puzzle().tileSize(), tileSize);
    QCOMPARE(main.animationSpeed(), animation);
    QVERIFY(main.AnimationGroup->checkedAction());
    QCOMPARE(main.AnimationGroup->checkedAction()->data().toInt(), animation);
    QVERIFY(main.GridSizeItems[gridSize - MinGridSize]->isChecked());
    const QFont font = main.Brett->font();
    QCOMPARE(font.bold(), bool(style & 1));
    QCOMPARE(font.italic(), bool(style & 2));

    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.size(), QSize(gridSize * tileSize + 36, gridSize * tileSize + 36));
    QCOMPARE(main.TileGrid()[0][0]->NumberLabel->font().bold(), bool(style & 1));
}

void TestSettings::firstStartUsesDefaultsAndWritesAllKeys()
{
    auto windows = start();
    TTiloraForm &main = *windows->main;
    QVERIFY(!main.settingsFileExisted());
    QCOMPARE(main.puzzle().gridSize(), 5);
    QCOMPARE(main.puzzle().tileSize(), 50);
    QVERIFY(main.pictureMode() && main.Steineumrahmen1->isChecked());
    QVERIFY(main.Transparenz1->isChecked() && !main.Vorschau1->isChecked());
    QVERIFY(main.mittel1->isChecked() && main.schnell1->isChecked());
    main.setPictureName(QStringLiteral("Motiv A"));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    closeProgram(*windows);

    const QList<QByteArray> lines = settingsText().split('\n');
    QStringList keys;
    for (const QByteArray &line : lines) {
        if (line.contains('='))
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
    }
    QCOMPARE(lines.first().trimmed(), QByteArray("[Allgemein]"));
    QCOMPARE(keys,
        (QStringList {"Groesse", "SteinGroesse", "Vorschau", "Bild", "BildModus", "Animation",
            "Steinrahmen", "Transparenz", "Mischdauer", "Zoom", "Steinfarbe", "Brettfarbe",
            "SteinTextFont", "SteinTextGroesse", "SteinTextFarbe", "SteinTextStyle"}));
    QVERIFY(settingsText().contains("\nSteinfarbe=8421504"));
    QVERIFY(settingsText().contains("\nSteinTextStyle=1"));
    QVERIFY(m_reports.isEmpty());
}

void TestSettings::closeUpdatesInPlaceAndKeepsTheRest()
{
    writeSettings("; meine Einstellungen\r\n[Allgemein]\r\nZeigeMischen=1\r\ngroesse=7\r\n"
                  "Steingroesse=40\r\n\r\n[Anderes]\r\nSchluessel=Wert\r\n");
    auto windows = start();
    TTiloraForm &main = *windows->main;
    QVERIFY(main.puzzle().options.showShuffle);
    QCOMPARE(main.puzzle().gridSize(), 7);
    Settings settings = main.settings();
    settings.gridSize = 9;
    settings.tileSize = 45;
    main.setSettings(settings);
    closeProgram(*windows);

    const QByteArray text = settingsText();
    QVERIFY(text.startsWith("; meine Einstellungen\r\n[Allgemein]\r\nZeigeMischen=1\r\n"));
    // Keys that differ only in letter case are the same key: each stays once.
    QVERIFY(text.contains("\r\nGroesse=9\r\n"));
    QCOMPARE(text.toLower().count("\ngroesse="), 1);
    QCOMPARE(text.toLower().count("steingroesse="), 1);
    QVERIFY(text.contains("SteinGroesse=45\r\n"));
    QVERIFY(text.contains("[Anderes]\r\nSchluessel=Wert\r\n"));
    QVERIFY(text.indexOf("SteinTextStyle") < text.indexOf("[Anderes]"));
}

void TestSettings::unwritableFileIsReportedOnceAndTheOldFileStays()
{
    // A folder in the file's place cannot be replaced, not even by root.
    QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("tilora.ini")));
    auto windows = start();
    closeProgram(*windows);
    QCOMPARE(m_reports.size(), 1);
    QCOMPARE(m_reports.first(),
        QStringLiteral("nach %1 kann nicht geschrieben werden")
            .arg(m_folder->filePath(QStringLiteral("tilora.ini"))));
    QVERIFY(QFileInfo(m_folder->filePath(QStringLiteral("tilora.ini"))).isDir());
    QVERIFY(!windows->main->isVisible());
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TiloraApplication application(argc, argv);
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"

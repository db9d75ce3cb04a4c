#include "support/TestWindows.h"
#include "app/TiloraApplication.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/ueberfenster.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// The settings file as the main window uses it: a start applies what it reads, a close writes
// what the window holds. The keys' rules and order are the settings value's.
class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void startAppliesTheFileAndCloseWritesTheWindow();
    void unwritableFileIsReportedOnceAndTheOldFileStays();

private:
    QString filePath() const { return m_folder->filePath(QStringLiteral("tilora.ini")); }
    QByteArray settingsText() const;
    std::unique_ptr<ProgramWindows> start();
    void closeProgram(ProgramWindows &windows);

    std::unique_ptr<QTemporaryDir> m_folder;
    QStringList m_reports;
};

void TestSettingsFile::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_reports.clear();
    SetErrorReporter([this](const QString &text) { m_reports << text; });
}

QByteArray TestSettingsFile::settingsText() const
{
    QFile file(filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::unique_ptr<ProgramWindows> TestSettingsFile::start()
{
    auto windows = CreateTestWindows(m_folder->path());
    windows->main->hooks.movePointer = [](QPoint) {};
    return windows;
}

void TestSettingsFile::closeProgram(ProgramWindows &windows)
{
    // The farewell window holds the close for two seconds; let it count down at once.
    QTimer::singleShot(0, windows.main.get(), [&windows] {
        TAboutBox &about = windows.about();
        for (int tick = 0; tick < TAboutBox::FarewellTicks; ++tick)
            about.Timer1Timer();
    });
    windows.main->close();
}

void TestSettingsFile::startAppliesTheFileAndCloseWritesTheWindow()
{
    {
        QFile file(filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("; meine Einstellungen\r\n[Allgemein]\r\nZeigeMischen=1\r\ngroesse=7\r\n"
                   "Steingroesse=40\r\nAnimation=1\r\nMischdauer=3\r\nSteinRahmen=0\r\n"
                   "Transparenz=0\r\nSteinTextStyle=2\r\nBild=Motiv "
                   "B\r\n\r\n[Anderes]\r\nSchluessel=Wert\r\n");
    }
    auto windows = start();
    TTiloraForm &main = *windows->main;
    QVERIFY(main.game().settings().fileExisted && main.game().settings().showShuffle);
    for (const char *item : {"N71", "langsam1", "lang1"})
        QVERIFY(Child<QAction>(main, item)->isChecked());
    QVERIFY(!Child<QAction>(main, "Steineumrahmen1")->isChecked() && !Child<QAction>(main, "Transparenz1")->isChecked());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.size(), QSize(7 * 40 + 36, 7 * 40 + 36));
    const QFont font = TileAt(main, QPoint(0, 0))->NumberLabel->font();
    QVERIFY(font.italic() && !font.bold());

    Settings settings = main.game().settings();
    settings.gridSize = 9;
    settings.tileSize = 45;
    main.game().setSettings(settings);
    closeProgram(*windows);
    const QByteArray text = settingsText();
    QVERIFY(text.contains("\r\nGroesse=9\r\n") && text.contains("\r\nSteinGroesse=45\r\n"));
    QVERIFY(text.contains("\r\nAnimation=1\r\n") && text.contains("\r\nSteinTextStyle=2\r\n"));
    // The motif shown is the checked one, not the stored one.
    QVERIFY(text.contains("\r\nBild=Motiv A\r\n"));
    // Keys that differ only in letter case are the same key: each stays once.
    QCOMPARE(text.toLower().count("steingroesse="), 1);
    // The window writes into the file as it is, not over it.
    QVERIFY(text.startsWith("; meine Einstellungen\r\n"));
    QVERIFY(text.endsWith("[Anderes]\r\nSchluessel=Wert\r\n"));
    QVERIFY(m_reports.isEmpty());
}

void TestSettingsFile::unwritableFileIsReportedOnceAndTheOldFileStays()
{
    // A folder in the file's place is no file to read or to replace: said once, at the start.
    QVERIFY(QDir(m_folder->path()).mkpath(QStringLiteral("tilora.ini")));
    auto windows = start();
    closeProgram(*windows);
    QCOMPARE(m_reports.size(), 1);
    QCOMPARE(m_reports.first(), QStringLiteral("%1 kann nicht gelesen werden").arg(filePath()));
    QVERIFY(QFileInfo(filePath()).isDir());
    QVERIFY(!windows->main->isVisible());
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TiloraApplication application(argc, argv);
    TestSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfile.moc"

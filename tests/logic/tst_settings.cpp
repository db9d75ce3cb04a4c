#include "logic/IniFile.h"
#include "logic/Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The settings value and "tilora.ini": each key's default, range and reading rule, and a
// round trip through the file in the keys' order.
class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void roundTrip();

private:
    QTemporaryDir m_folder;
};

namespace {

// What a start takes from an empty file, as "key=value" in the file's order.
const QStringList Defaults {"Groesse=5", "SteinGroesse=50", "Vorschau=0", "Bild=aussicht.jpg",
    "BildModus=1", "Animation=2", "Steinrahmen=1", "Transparenz=1", "Mischdauer=2", "Zoom=4",
    "Steinfarbe=#808080", "Brettfarbe=#ffffff", "SteinTextFont=Arial", "SteinTextGroesse=9",
    "SteinTextFarbe=0", "SteinTextStyle=1", "ZeigeMischen=0"};

QStringList values(const Settings &s)
{
    const auto n = [](int value) { return QString::number(value); };
    return {"Groesse=" + n(s.gridSize), "SteinGroesse=" + n(s.tileSize),
        "Vorschau=" + n(s.solutionView), "Bild=" + s.pictureName, "BildModus=" + n(s.pictureMode),
        "Animation=" + n(s.animationSpeed), "Steinrahmen=" + n(s.tileFrames),
        "Transparenz=" + n(s.transparent), "Mischdauer=" + n(s.shuffleDuration),
        "Zoom=" + n(s.zoomFactor), "Steinfarbe=" + s.tileColor.name(),
        "Brettfarbe=" + s.boardColor.name(), "SteinTextFont=" + s.fontFamily,
        "SteinTextGroesse=" + n(s.fontPoints), "SteinTextFarbe=" + n(s.fontColorValue),
        "SteinTextStyle=" + n(s.fontStyle), "ZeigeMischen=" + n(s.showShuffle)};
}

} // namespace

void TestSettings::read_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<QStringList>("changed"); // from the defaults
    using L = QStringList;
    QTest::newRow("no file") << QByteArray() << L {};
    QTest::newRow("another section") << QByteArray("[Anderes]\nGroesse=8\n") << L {};
    QTest::newRow("every key, highest values")
        << QByteArray("[Allgemein]\nGroesse=12\nSteingroesse=100\nVorschau=1\nBild=Motiv B\n"
                      "BildModus=0\nAnimation=0\nSteinRahmen=0\nTransparenz=0\nMischdauer=4\n"
                      "Zoom=10\nSteinFarbe=0x563412\nBrettFarbe=0xFF\nSteinTextFont=Courier\n"
                      "SteinTextGroesse=1000\nSteinTextFarbe=-1\nSteinTextStyle=15\n"
                      "ZeigeMischen=1\n")
        << L {"Groesse=12", "SteinGroesse=100", "Vorschau=1", "Bild=Motiv B", "BildModus=0",
               "Animation=0", "Steinrahmen=0", "Transparenz=0", "Mischdauer=4", "Zoom=10",
               "Steinfarbe=#123456", "Brettfarbe=#ff0000", "SteinTextFont=Courier",
               "SteinTextGroesse=1000", "SteinTextFarbe=-1", "SteinTextStyle=15", "ZeigeMischen=1"};
    // Sizes and styles a font cannot have leave the board font as it was.
    QTest::newRow("below the ranges")
        << QByteArray("[Allgemein]\nGroesse=3\nSteingroesse=0x22\nMischdauer=-1\nZoom=1\n"
                      "Animation=-1\nSteinFarbe=-1\nBrettfarbe=-5\nSteinTextGroesse=0\n"
                      "SteinTextStyle=-1\n")
        << L {"Groesse=4", "SteinGroesse=35", "Mischdauer=0", "Zoom=2", "Animation=0",
               "Steinfarbe=#000000", "Brettfarbe=#000000"};
    QTest::newRow("above the ranges")
        << QByteArray("[Allgemein]\nGroesse=13\nSteingroesse=101\nMischdauer=5\nZoom=11\n"
                      "Animation=3\nSteinFarbe=16777216\nSteinTextGroesse=1001\n"
                      "SteinTextStyle=16\n")
        << L {"Groesse=12", "SteinGroesse=100", "Mischdauer=4", "Zoom=10", "Steinfarbe=#ffffff"};
    QTest::newRow("letter case") << QByteArray(
        "[ALLGEMEIN]\ngroesse=8\nSTEINGROESSE=40\nanimation=1\n")
                                 << L {"Groesse=8", "SteinGroesse=40", "Animation=1"};
}

void TestSettings::read()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, changed);
    const QString path = m_folder.filePath(QString::fromLatin1(QTest::currentDataTag()));
    if (!file.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
    }
    QStringList expected = Defaults;
    for (const QString &value : changed) {
        for (QString &entry : expected) {
            if (entry.startsWith(value.left(value.indexOf(u'=') + 1)))
                entry = value;
        }
    }
    const Settings settings = Settings::read(IniFile(path));
    QCOMPARE(settings.fileExisted, !file.isEmpty());
    QCOMPARE(values(settings), expected);
}

void TestSettings::roundTrip()
{
    const QString path = m_folder.filePath(QStringLiteral("tilora.ini"));
    Settings settings;
    settings.pictureName = QStringLiteral("/home/spieler/Bilder/Grüße.jpg");
    settings.pictureMode = false;
    settings.animationSpeed = 1;
    settings.transparent = false;
    settings.gridSize = 9;
    settings.zoomFactor = 7;
    settings.tileSize = 64;
    settings.tileFrames = false;
    settings.solutionView = true;
    settings.tileColor = QColor(0x12, 0x34, 0x56);
    settings.boardColor = QColor(0x65, 0x43, 0x21);
    settings.setFontColor(QColor(0xAB, 0xCD, 0xEF));
    settings.shuffleDuration = 4;
    settings.fontFamily = QStringLiteral("Liberation Serif");
    settings.fontPoints = 13;
    settings.fontStyle = 2 | 8;
    {
        IniFile ini(path);
        settings.write(ini);
        ini.save();
    }
    Settings read = Settings::read(IniFile(path));
    QVERIFY(read.fileExisted);
    read.fileExisted = false;
    QCOMPARE(read.fontColorValue, 0xEFCDAB);
    QVERIFY(read == settings);
    // The style bits are the board font's, both ways.
    const QFont font = read.boardFont();
    QVERIFY(!font.bold() && font.italic() && !font.underline() && font.strikeOut());
    read.setBoardFont(font);
    QVERIFY(read == settings);

    // The keys, in the file's order and letter case; "ZeigeMischen" is never written.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList keys;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.contains('='))
            keys << QString::fromLatin1(line.left(line.indexOf('=')));
    }
    QCOMPARE(keys.join(QLatin1Char(' ')),
        QStringLiteral("Groesse SteinGroesse Vorschau Bild BildModus Animation Steinrahmen "
                       "Transparenz Mischdauer Zoom Steinfarbe Brettfarbe SteinTextFont "
                       "SteinTextGroesse SteinTextFarbe SteinTextStyle"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"

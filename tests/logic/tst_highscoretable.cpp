#include "logic/HighscoreTable.h"
#include "logic/IniFile.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "support/HighscoreByHand.h"

#include <random>

namespace {

const QString Section = QStringLiteral("Text,4,1");

const QString FullTable = QStringLiteral("00:01:00,00:02:00,00:03:00,00:04:00,00:05:00,"
                                         "00:06:00,00:07:00,00:08:00,00:09:00,00:10:00");

QByteArray content(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The high score table as plain values: its keys, the stored form of names and entries, and
// the ranking of a new result.
class TestHighscoreTable : public QObject
{
    Q_OBJECT

private slots:
    void tableKeyDescriptionAndTimeKey();
    void storedNames_data();
    void storedNames();
    void storedValues();
    void rankInsertion_data();
    void rankInsertion();
    void spellingsOfOneTable_data();
    void spellingsOfOneTable();
};

void TestHighscoreTable::tableKeyDescriptionAndTimeKey()
{
    const HighscoreConfiguration picture {true, QStringLiteral("/home/a/aussicht.jpg"), 5, 2};
    QCOMPARE(TableKey(picture), QStringLiteral("aussicht.jpg,5,2"));
    QCOMPARE(DescriptionLine(picture), QStringLiteral("aussicht.jpg - 5×5 - mittlere Mischdauer"));
    QCOMPARE(TimeKey(u"01:02:03"), 10203);
    QCOMPARE(TimeKey(u"00:01:005"), 0);
}

void TestHighscoreTable::storedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    // An umlaut as the 29th and 30th character: one byte each, never half of one.
    QTest::newRow("umlaut at the cut")
        << QString(28, u'x') + "äö" << QByteArray(28, 'x') + '\xE4' << QString(28, u'x') + "ä";
    QTest::newRow("euro sign") << "€ und ‚" << QByteArray("\x80 und \x82") << "€ und ‚";
    QTest::newRow("no Latin letter") << "Łukasz 😀" << QByteArray("?ukasz ?") << "?ukasz ?";
}

void TestHighscoreTable::storedNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    const QByteArray padded = PadName(name);
    QCOMPARE(padded, stored.leftJustified(29, ' '));
    QTEST(DecodeEntryText(padded).trimmed(), "readBack");
}

void TestHighscoreTable::storedValues()
{
    QByteArray plain;
    for (int c = 0x20; c <= 0xFF; ++c)
        plain += char(c);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("highscore.ini"));
    IniFile file(path);
    for (int key = 2; key <= 15; ++key) {
        QCOMPARE(ScrambleEntry(plain, key), scrambledByHand(plain, key));
        file.writeBytes(Section, EntryKey(key), ScrambleEntry(plain, key));
    }
    file.save();
    for (int key = 2; key <= 15; ++key) {
        // One byte per character in the file, as the format has it.
        QVERIFY(content(path).contains(lineByHand(key, plain, key) + '\n'));
        QCOMPARE(UnscrambleEntry(IniFile(path).readBytes(Section, EntryKey(key))), plain);
    }
    // Keys 0, 1 and 16 are never used.
    for (const char *value : {"Axyz", "@xyz", "Qxyz"})
        QCOMPARE(UnscrambleEntry(value), QByteArray());

    // Every write draws new keys, and each reads back.
    std::mt19937 random(1);
    QSet<QString> values;
    for (int i = 0; i < 20; ++i) {
        WriteTable(file, Section, tableOf(QStringLiteral("00:01:05")), random);
        values.insert(file.readString(Section, EntryKey(1), QString()));
        QCOMPARE(namesAndTimes(ReadTable(file, Section)), QStringLiteral("P1 00:01:05"));
    }
    QVERIFY2(values.size() > 1, "every write gave the same value");
}

void TestHighscoreTable::rankInsertion_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("after");
    QTest::newRow("between") << "00:01:00,00:02:00"
                             << "00:01:30" << 2 << "P1 00:01:00,P2 00:01:30,P2 00:02:00";
    QTest::newRow("equal ranks below") << "00:01:00,00:01:30"
                                       << "00:01:30" << 3 << "P1 00:01:00,P2 00:01:30, 00:01:30";
    QTest::newRow("full, equal to the last") << FullTable << "00:10:00" << 0 << QString();
    QTest::newRow("full, faster than the last") << FullTable << "00:09:30" << 10 << QString();
    QTest::newRow("no time") << "00:01:00"
                             << "00:00:00" << 0 << QString();
}

void TestHighscoreTable::rankInsertion()
{
    QFETCH(QString, before);
    QFETCH(QString, time);
    QFETCH(int, row);
    QFETCH(QString, after);
    HighscoreTable table = tableOf(before);
    const HighscoreTable old = table;
    QCOMPARE(EnterResult(table, time, QStringLiteral("07.06.2024")), row);
    if (row == 0)
        QCOMPARE(table, old);
    else
        QCOMPARE(table[row - 1].date, QStringLiteral("07.06.2024"));
    if (!after.isEmpty())
        QCOMPARE(namesAndTimes(table), after);
    if (row == 10)
        QCOMPARE(table[9].time, time); // the old last row dropped out
}

void TestHighscoreTable::spellingsOfOneTable_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("case") << "colour.bmp,5,2" << "Colour.bmp,5,2";
    QTest::newRow("case beyond ASCII") << "ärger.bmp,5,2" << "ÄRGER.bmp,5,2";
    QTest::newRow("leading blank") << " colour.bmp,5,2" << "colour.bmp,5,2";
}

// A row belongs to the table the file's section lookup finds, whatever the spelling.
void TestHighscoreTable::spellingsOfOneTable()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("highscore.ini"));
    std::mt19937 random(5);
    IniFile file(path);
    WriteTable(file, written, tableOf(QStringLiteral("00:01:00,00:02:00")), random);
    file.save();
    const auto enter = [](HighscoreTable &t) { return EnterResult(t, "00:01:30", "01.02.2025"); };
    QVERIFY(!UpdateTable(path, read, enter, random).error);
    QCOMPARE(namesAndTimes(ReadTable(IniFile(path), written)),
        "P1 00:01:00,P2 00:01:30,P2 00:02:00");
}

QTEST_GUILESS_MAIN(TestHighscoreTable)
#include "tst_highscoretable.moc"

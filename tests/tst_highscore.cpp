#include "app/IniFile.h"
#include "app/ProgramWindows.h"
#include "app/TiloraApplication.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "windows/HighscoreTable.h"
#include "windows/highscorefenster.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QString Section = QStringLiteral("Text,4,1");
const QDate Today(2024, 6, 7);

// What the program should store, built here independently: "A" in front, each byte XOR key.
QByteArray scrambledByHand(const QByteArray &plain, int key)
{
    QByteArray value = 'A' + plain;
    for (char &c : value)
        c = char(c ^ key);
    return value;
}

QByteArray entryByHand(const QByteArray &section, int row, const QByteArray &name,
    const QByteArray &time, const QByteArray &date = "24.12.2026")
{
    return section + QByteArray::number(row) + name.leftJustified(29, ' ', true) + time + date;
}

HighscoreTable tableOf(const QString &times)
{
    HighscoreTable table;
    const QStringList list = times.split(u',', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < list.size(); ++i)
        table[i] = {QStringLiteral("P%1").arg(i + 1), list[i], QStringLiteral("01.01.2024"),
            TimeKey(list[i])};
    return table;
}

// Typing, umlauts included (QTest::keyClicks takes ASCII only).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Ten rows, a minute apart.
QString fullTable()
{
    QStringList times;
    for (int minute = 1; minute <= 10; ++minute)
        times << QStringLiteral("00:%1:00").arg(minute, 2, 10, QLatin1Char('0'));
    return times.join(u',');
}

QString namesAndTimes(const HighscoreTable &table)
{
    QStringList rows;
    for (const HighscoreEntry &entry : table)
        if (!entry.isEmpty())
            rows << entry.name.trimmed() + u' ' + entry.time;
    return rows.join(u',');
}

} // namespace

class TestHighscore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tableKeyDescriptionAndTimeKey();
    void storedNames_data();
    void storedNames();
    void valuesSurviveTheFileByteForByte();
    void twoWritesDifferAndBothReadBack();
    void rankInsertion_data();
    void rankInsertion();

    void preparedFileLoadsIntoTheCells();
    void damagedFilesReadAsEmpty_data();
    void damagedFilesReadAsEmpty();
    void resultOpensTheNameEntryOverItsRow();
    void waysToCommitTheName_data();
    void waysToCommitTheName();
    void resultThatDoesNotEnterShowsTheTable_data();
    void resultThatDoesNotEnterShowsTheTable();
    void unwritableFileIsReportedAndTheResultKept();

private:
    QString filePath() const { return THighscore::highscoreFilePath(); }
    void writeFile(const QByteArray &content);
    // Rows filled in order from comma-separated times; names "P1", "P2", ...
    void writeTable(const QString &times);
    HighscoreTable tableInFile(const QString &section = Section) const
    {
        return ReadTable(IniFile(filePath()), section);
    }
    // Runs call (which shows the window modally) and action once the window shows; a
    // watchdog hides the window should the action leave it open.
    bool runModal(std::function<void()> call, std::function<void()> action);
    bool addResult(const QString &time, std::function<void()> action)
    {
        return runModal([this, time] { m_window->AddResult(time); }, std::move(action));
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<THighscore> m_window;
    QStringList m_errors;
};

void TestHighscore::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    TTiloraForm::setSettingsFolder(m_folder->path());
    m_window = std::make_unique<THighscore>();
    m_window->configuration = [] { return HighscoreConfiguration {false, "Motiv A", 4, 1}; };
    m_window->today = [] { return Today; };
    m_window->seedRandom(7);
    m_errors.clear();
    TiloraApplication::setErrorReporter([this](const QString &text) { m_errors << text; });
}

void TestHighscore::cleanup()
{
    m_window.reset();
    TTiloraForm::setSettingsFolder(QString());
}

void TestHighscore::writeFile(const QByteArray &content)
{
    QFile file(filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void TestHighscore::writeTable(const QString &times)
{
    IniFile file(filePath());
    std::mt19937 random(3);
    WriteTable(file, Section, tableOf(times), random);
    file.save();
}

bool TestHighscore::runModal(std::function<void()> call, std::function<void()> action)
{
    bool watchdogFired = false;
    QTimer::singleShot(0, m_window.get(), action);
    QTimer::singleShot(5000, m_window.get(), [&] {
        watchdogFired = true;
        m_window->hide();
    });
    call();
    return !watchdogFired && !m_window->isVisible();
}

void TestHighscore::tableKeyDescriptionAndTimeKey()
{
    const HighscoreConfiguration picture {true, QStringLiteral("/home/a/aussicht.jpg"), 5, 2};
    QCOMPARE(TableKey(picture), QStringLiteral("aussicht.jpg,5,2"));
    QCOMPARE(DescriptionLine(picture), QStringLiteral("aussicht.jpg - 5×5 - mittlere Mischdauer"));
    const HighscoreConfiguration numbers {false, QStringLiteral("Motiv A"), 12, 0};
    QCOMPARE(TableKey(numbers), QStringLiteral("Text,12,0"));
    QCOMPARE(
        DescriptionLine(numbers), QStringLiteral("Text - 12×12 - selbst bestimmte Mischdauer"));
    QCOMPARE(TimeKey(u"01:02:03"), 10203);
    QCOMPARE(TimeKey(u"1:02:03"), 0);
}

void TestHighscore::storedNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("30 characters") << QString(30, u'x') << QByteArray(29, 'x') << QString(29, u'x');
    // An umlaut as the 29th and 30th character: one byte each, never half of one.
    QTest::newRow("umlaut at the cut")
        << QString(28, u'x') + "äö" << QByteArray(28, 'x') + '\xE4' << QString(28, u'x') + "ä";
    QTest::newRow("euro sign") << "€ und ‚" << QByteArray("\x80 und \x82") << "€ und ‚";
    QTest::newRow("no Latin letter") << "Łukasz 😀" << QByteArray("?ukasz ?") << "?ukasz ?";
}

void TestHighscore::storedNames()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, stored);
    const QByteArray padded = PadName(name);
    QCOMPARE(padded, stored.leftJustified(29, ' '));
    QTEST(DecodeEntryText(padded).trimmed(), "readBack");
}

void TestHighscore::valuesSurviveTheFileByteForByte()
{
    QByteArray plain;
    for (int c = 0x20; c <= 0xFF; ++c)
        plain += char(c);
    {
        IniFile file(filePath());
        for (int key = 2; key <= 15; ++key) {
            const QByteArray value = ScrambleEntry(plain, key);
            QCOMPARE(value, scrambledByHand(plain, key));
            file.writeString(Section, EntryKey(key), StoredValueText(value));
        }
        file.save();
    }
    const IniFile file(filePath());
    for (int key = 2; key <= 15; ++key) {
        const QString text = file.readString(Section, EntryKey(key), QString());
        QCOMPARE(UnscrambleEntry(StoredValueBytes(text)), plain);
    }
    // No key turns these into "A": key 0 or 1 would, and they are never used.
    for (const char *value : {"C", "@xyz", "Axyz", "1234"})
        QCOMPARE(UnscrambleEntry(value), QByteArray());
}

void TestHighscore::twoWritesDifferAndBothReadBack()
{
    std::mt19937 random(1);
    QSet<QString> values;
    for (int i = 0; i < 20; ++i) {
        IniFile file(filePath());
        WriteTable(file, Section, tableOf(QStringLiteral("00:01:05")), random);
        file.save();
        values.insert(IniFile(filePath()).readString(Section, EntryKey(1), QString()));
        QCOMPARE(namesAndTimes(tableInFile()), QStringLiteral("P1 00:01:05"));
    }
    QVERIFY2(values.size() > 1, "every write gave the same value");
}

void TestHighscore::rankInsertion_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("after");
    QTest::newRow("between") << "00:01:00,00:02:00"
                             << "00:01:30" << 2 << "P1 00:01:00,P2 00:01:30,P2 00:02:00";
    QTest::newRow("equal ranks below") << "00:01:00,00:01:30"
                                       << "00:01:30" << 3 << "P1 00:01:00,P2 00:01:30, 00:01:30";
    QTest::newRow("full, equal to the last") << fullTable() << "00:10:00" << 0 << QString();
    QTest::newRow("full, faster than the last") << fullTable() << "00:09:30" << 10 << QString();
    QTest::newRow("zero") << "00:01:00"
                          << "00:00:00" << 0 << "P1 00:01:00";
    QTest::newRow("100 hours") << QString() << "100:00:00" << 0 << QString();
}

void TestHighscore::rankInsertion()
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

void TestHighscore::preparedFileLoadsIntoTheCells()
{
    const QByteArray section = Section.toLatin1();
    const auto line = [&](int row, const QByteArray &name, const QByteArray &time, int key) {
        const QByteArray value = scrambledByHand(entryByHand(section, row, name, time), key);
        return "Eintrag" + QByteArray::number(row) + '=' + value + "\r\n";
    };
    // Row 2 in UTF-8 as this program writes it, row 3 in raw bytes as an old file has it; the
    // section before belongs to another configuration.
    writeFile("[Motiv A,4,1]\r\nEintrag1="
        + scrambledByHand(entryByHand("Motiv A,4,1", 1, "Falsch", "00:00:01"), 5) + "\r\n["
        + section + "]\r\n" + line(1, "Anna", "00:01:05", 7)
        + QString::fromLatin1(line(2, "J\xFCrgen", "00:02:00", 9)).toUtf8()
        + line(3, "M\xFCller", "00:03:00", 12) + line(10, "Zehn", "10:00:00", 2));
    m_window->LoadTable();
    QCOMPARE(m_window->Beschreibung->text(), QStringLiteral("Text - 4×4 - kurze Mischdauer"));
    const QStringList names {"Anna", "Jürgen", "Müller", "", "", "", "", "", "", "Zehn"};
    const QStringList times {
        "00:01:05", "00:02:00", "00:03:00", "", "", "", "", "", "", "10:00:00"};
    for (int row = 1; row <= 10; ++row) {
        QCOMPARE(m_window->rankCell(row)->text(), QStringLiteral("%1.").arg(row));
        QCOMPARE(m_window->nameCell(row)->text().trimmed(), names[row - 1]);
        QCOMPARE(m_window->timeCell(row)->text(), times[row - 1]);
    }
    QCOMPARE(m_window->nameCell(1)->text(), QStringLiteral("Anna").leftJustified(29));
    QCOMPARE(m_window->dateCell(10)->text(), QStringLiteral("24.12.2026"));
}

void TestHighscore::damagedFilesReadAsEmpty_data()
{
    QTest::addColumn<QByteArray>("damage");
    const QByteArray row1 = scrambledByHand(entryByHand("Text,4,1", 1, "Eins", "00:01:00"), 3);
    QTest::newRow("too short") << "Eintrag1=" + scrambledByHand("Text,4,11Anna 00:01:00", 4);
    QTest::newRow("moved to another row") << "Eintrag2=" + row1;
    QTest::newRow("from another section")
        << "Eintrag1=" + scrambledByHand(entryByHand("Text,5,1", 1, "X", "00:01:00"), 3);
    QTest::newRow("time without digits")
        << "Eintrag1=" + scrambledByHand(entryByHand("Text,4,1", 1, "X", "ab:cd:ef"), 3);
    QTest::newRow("beyond bytes") << "Eintrag1=" + QString::fromLatin1(row1).toUtf8()
            + "\xE2\x82\xAC";
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 7919) % 256);
    QTest::newRow("binary") << "Eintrag1=" + binary;
    QTest::newRow("enormous") << "Eintrag1=" + QByteArray(20 * 1024 * 1024, 'B');
}

void TestHighscore::damagedFilesReadAsEmpty()
{
    QFETCH(QByteArray, damage);
    const QByteArray good = scrambledByHand(entryByHand("Text,4,1", 4, "Gut", "00:04:00"), 3);
    // The good row comes first, since an enormous value would leave nothing after it.
    writeFile("[Text,4,1]\nEintrag4=" + good + "\n" + damage + "\n");
    m_window->LoadTable();
    for (int row = 1; row <= 10; ++row)
        QCOMPARE(m_window->timeCell(row)->text().isEmpty(), row != 4);

    // A result enters and the table is written back whole, the damage gone.
    QVERIFY(addResult(QStringLiteral("00:05:00"),
        [&] { QTest::keyClick(m_window->Nameneingabe, Qt::Key_Escape); }));
    QCOMPARE(namesAndTimes(tableInFile()), QStringLiteral("Gut 00:04:00,Kein Name 00:05:00"));
}

void TestHighscore::resultOpensTheNameEntryOverItsRow()
{
    writeTable(QStringLiteral("00:01:00,00:02:00,00:03:00"));
    THighscore &window = *m_window;
    QVERIFY(addResult(QStringLiteral("00:01:30"), [&] {
        QVERIFY(window.isVisible() && window.Nameneingabe->isVisible());
        QCOMPARE(window.Nameneingabe->geometry(), QRect(28, 25 * 2 - 15 - 3, 207, 24));
        QCOMPARE(window.Nameneingabe->selectedText(), QStringLiteral("Kein Name"));
        QTRY_VERIFY(window.Nameneingabe->hasFocus());
        QVERIFY(window.OKButton->isVisible() && !window.Beschreibung->isVisible());
        QCOMPARE(window.dateCell(2)->text(), QStringLiteral("07.06.2024"));
        QCOMPARE(window.timeCell(3)->text(), QStringLiteral("00:02:00"));
        // Saved at once, still with the name of the row that moved down.
        QCOMPARE(namesAndTimes(tableInFile()),
            QStringLiteral("P1 00:01:00,P2 00:01:30,P2 00:02:00,P3 00:03:00"));

        typeText(window.Nameneingabe, QStringLiteral("Jürgen"));
        QTest::keyClick(window.Nameneingabe, Qt::Key_Return);
        QVERIFY(window.isVisible() && !window.Nameneingabe->isVisible());
        QVERIFY(!window.OKButton->isVisible() && window.Beschreibung->isVisible());
        QCOMPARE(namesAndTimes(tableInFile()),
            QStringLiteral("P1 00:01:00,Jürgen 00:01:30,P2 00:02:00,P3 00:03:00"));
        QTest::keyClick(&window, Qt::Key_Escape);
    }));
    QVERIFY(!window.isRunningModal());
}

void TestHighscore::waysToCommitTheName_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter") << "enter" << false;
    QTest::newRow("OK") << "ok" << false;
    QTest::newRow("close button") << "close" << true;
    QTest::newRow("window system") << "system" << true;
}

void TestHighscore::waysToCommitTheName()
{
    QFETCH(QString, how);
    QFETCH(bool, closes);
    THighscore &window = *m_window;
    QVERIFY(addResult(QStringLiteral("00:01:00"), [&] {
        QTest::keyClicks(window.Nameneingabe, QStringLiteral("Anna"));
        if (how == u"enter")
            QTest::keyClick(window.Nameneingabe, Qt::Key_Return);
        else if (how == u"ok")
            QTest::mouseClick(window.OKButton, Qt::LeftButton, {}, QPoint(40, 8));
        else if (how == u"close")
            QTest::mouseClick(window.SpezialButton4, Qt::LeftButton, {}, QPoint(6, 6));
        else
            window.close();
        QVERIFY(!window.isNaming() && window.OKButton->isHidden());
        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(tableInFile()[0].name.trimmed(), QStringLiteral("Anna"));
        window.SpezialButton4Click();
    }));
    // The next showing from the menu has no entry field.
    QVERIFY(runModal([&] { window.showModal(); },
        [&] {
            QVERIFY(!window.isNaming() && !window.OKButton->isVisible());
            QCOMPARE(window.nameCell(1)->text().trimmed(), QStringLiteral("Anna"));
            window.SpezialButton4Click();
        }));
}

void TestHighscore::resultThatDoesNotEnterShowsTheTable_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("time");
    QTest::newRow("full table, equal to the last") << fullTable() << "00:10:00";
    QTest::newRow("no time") << QStringLiteral("00:01:00") << QStringLiteral("00:00:00");
    QTest::newRow("100 hours") << QString() << QStringLiteral("100:00:00");
}

void TestHighscore::resultThatDoesNotEnterShowsTheTable()
{
    QFETCH(QString, rows);
    QFETCH(QString, time);
    {
        IniFile file(filePath());
        std::mt19937 random(5);
        WriteTable(file, Section, tableOf(rows), random);
        file.save();
    }
    QFile file(filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    bool shown = false;
    QVERIFY(runModal([&] { m_window->AddResult(time); },
        [&] {
            shown = m_window->isVisible();
            QVERIFY(!m_window->isNaming());
            QVERIFY(!m_window->OKButton->isVisible());
            QVERIFY(m_window->Beschreibung->isVisible());
            QTest::keyClick(m_window.get(), Qt::Key_Escape);
        }));
    QVERIFY(shown);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestHighscore::unwritableFileIsReportedAndTheResultKept()
{
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("highscore.ini")));
    const QString message = QStringLiteral("nach %1 kann nicht geschrieben werden").arg(filePath());
    QVERIFY(runModal([&] { m_window->AddResult(QStringLiteral("00:03:00")); },
        [&] {
            QCOMPARE(m_errors, QStringList {message});
            QVERIFY(m_window->isNaming());
            QCOMPARE(m_window->timeCell(1)->text(), QStringLiteral("00:03:00"));
            QTest::keyClick(m_window->Nameneingabe, Qt::Key_Return);
            QCOMPARE(m_errors, QStringList({message, message}));
            QCOMPARE(m_window->nameCell(1)->text(), QStringLiteral("Kein Name"));
            QVERIFY(m_window->isVisible());
            m_window->SpezialButton4Click();
        }));
}

QTEST_MAIN(TestHighscore)

#include "tst_highscore.moc"

#include "logic/IniFile.h"
#include "desktop/ErrorReport.h"
#include "controls/SpezialButton.h"
#include "main/HauptFenster.h"
#include "logic/HighscoreTable.h"
#include "windows/highscorefenster.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "support/HighscoreByHand.h"
#include <QTimer>

namespace {

const QString Section = QStringLiteral("Text,4,1");

QByteArray entryByHand(
    int row, const QByteArray &name, const QByteArray &time, const QByteArray &section = "Text,4,1")
{
    return section + QByteArray::number(row) + name.leftJustified(29, ' ', true) + time
        + "24.12.2026";
}

} // namespace

class TestHighscore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();


    void loadTable_data();
    void loadTable();
    void nameEntry_data();
    void nameEntry();
    void resultThatDoesNotEnterShowsTheTable();
    void unwritableFileIsReportedAndTheResultKept();
    void unreadableFileIsReportedAndKept_data();
    void unreadableFileIsReportedAndKept();
    void resultKeepsItsTableBesideAnotherInstance();

private:
    QString filePath() const { return m_window->filePath(); }
    void writeFile(const QByteArray &content);
    QByteArray fileContent() const;
    // The value of a row's key in the last section that has it, as bytes.
    QByteArray valueInFile(int row) const;
    // Rows filled in order from comma-separated times.
    void writeTable(const QString &times)
    {
        IniFile file(filePath());
        std::mt19937 random(3);
        WriteTable(file, Section, tableOf(times), random);
        file.save();
    }
    HighscoreTable tableInFile() const { return ReadTable(IniFile(filePath()), Section); }
    // Runs call (which shows the window modally) and action once the window shows; a
    // watchdog hides the window should the action leave it open.
    bool runModal(std::function<void()> call, std::function<void()> action);
    bool addResult(const QString &time, std::function<void()> action)
    {
        return runModal([this, time] { m_window->AddResult(time, m_window->configuration()); },
                        std::move(action));
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<THighscore> m_window;
    QStringList m_errors;
};

void TestHighscore::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<THighscore>(m_folder->filePath(QStringLiteral("highscore.ini")));
    m_window->configuration = [] { return HighscoreConfiguration {false, "Motiv A", 4, 1}; };
    m_window->today = [] { return QDate(2024, 6, 7); };
    m_window->seedRandom(7);
    m_errors.clear();
    SetErrorReporter([this](const QString &text) { m_errors << text; });
}

void TestHighscore::cleanup()
{
    m_window.reset();
}

void TestHighscore::writeFile(const QByteArray &content)
{
    QFile file(filePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray TestHighscore::fileContent() const
{
    QFile file(filePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray TestHighscore::valueInFile(int row) const
{
    const QByteArray content = fileContent();
    const QByteArray key = '\n' + EntryKey(row).toLatin1() + '=';
    const qsizetype start = content.lastIndexOf(key) + key.size();
    QByteArray value = content.mid(start, content.indexOf('\n', start) - start);
    if (value.endsWith('\r'))
        value.chop(1);
    return value;
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

// Whole damaged files are the INI reader's and the fuzzer's; these are single rows.
void TestHighscore::loadTable_data()
{
    QTest::addColumn<QByteArray>("rows");
    QTest::addColumn<QString>("loaded");
    // Row 2 in UTF-8 as earlier versions wrote it, row 3 in single bytes as the format has it.
    QTest::newRow("both encodings")
        << QString::fromLatin1(lineByHand(2, entryByHand(2, "J\xFCrgen", "00:02:00"), 9)).toUtf8()
            + "\r\n" + lineByHand(3, entryByHand(3, "M\xFCller", "00:03:00"), 12) + "\r\n"
            + lineByHand(10, entryByHand(10, "Zehn", "10:00:00"), 2)
        << "Jürgen 00:02:00,Müller 00:03:00,Gut 00:04:00,Zehn 10:00:00";
    const QString good = QStringLiteral("Gut 00:04:00");
    QTest::newRow("too short") << lineByHand(1, "Text,4,11Anna 00:01:00") << good;
    QTest::newRow("moved to another row") << lineByHand(2, entryByHand(1, "X", "00:01:00")) << good;
    QTest::newRow("from another section")
        << lineByHand(1, entryByHand(1, "X", "00:01:00", "Text,5,1")) << good;
    QTest::newRow("time without digits") << lineByHand(1, entryByHand(1, "X", "ab:cd:ef")) << good;
    QTest::newRow("longest name")
        << lineByHand(1, entryByHand(1, QByteArray(29, 'W'), "00:01:00"), 5)
        << QString(29, u'W') + " 00:01:00," + good;
    QTest::newRow("beyond bytes")
        << QString::fromLatin1(lineByHand(1, entryByHand(1, "X", "00:01:00"))).toUtf8()
            + "\xE2\x82\xAC"
        << good;
}

void TestHighscore::loadTable()
{
    QFETCH(QByteArray, rows);
    // Row 1 of the section before belongs to another configuration.
    writeFile("[Motiv A,4,1]\r\n"
        + lineByHand(1, entryByHand(1, "Falsch", "00:00:01", "Motiv A,4,1"), 5)
        + "\r\n[Text,4,1]\r\n" + lineByHand(4, entryByHand(4, "Gut", "00:04:00"), 7) + "\r\n" + rows
        + "\r\n");
    m_window->LoadTable();
    QCOMPARE(m_window->Beschreibung->text(), QStringLiteral("Text - 4×4 - kurze Mischdauer"));
    QTEST(namesAndTimes(m_window->table()), "loaded");
    // A name ends before its row's time, which stays readable.
    for (int row = 1; row <= HighscoreRowCount; ++row)
        QVERIFY(m_window->nameCell(row)->geometry().right() < m_window->timeCell(row)->x());
    // Saved back whole: the damage is gone and the rows read back the same.
    m_window->SaveTable();
    QVERIFY(!fileContent().contains(rows));
    QCOMPARE(tableInFile(), m_window->table());
    // Stored as single bytes, umlauts included.
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        const HighscoreEntry &entry = m_window->table()[row - 1];
        if (!entry.isEmpty())
            QCOMPARE(UnscrambleEntry(valueInFile(row)), PlainEntry(Section, row, entry));
    }
}

void TestHighscore::nameEntry_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Enter") << "enter" << false;
    QTest::newRow("OK") << "ok" << false;
    QTest::newRow("Esc") << "esc" << true;
    QTest::newRow("close button") << "close" << true;
    QTest::newRow("window system") << "system" << true;
}

void TestHighscore::nameEntry()
{
    QFETCH(QString, how);
    QFETCH(bool, closes);
    writeTable(QStringLiteral("00:01:00,00:02:00,00:03:00"));
    THighscore &window = *m_window;
    QVERIFY(addResult(QStringLiteral("00:01:30"), [&] {
        QCOMPARE(window.Nameneingabe->geometry(), QRect(28, 25 * 2 - 15 - 3, 207, 24));
        QCOMPARE(window.Nameneingabe->selectedText(), QStringLiteral("Kein Name"));
        QTRY_VERIFY(window.Nameneingabe->hasFocus());
        QVERIFY(window.OKButton->isVisible() && !window.Beschreibung->isVisible());
        QCOMPARE(window.dateCell(2)->text(), QStringLiteral("07.06.2024"));
        // Saved at once, still with the name of the row that moved down.
        QCOMPARE(namesAndTimes(tableInFile()),
            QStringLiteral("P1 00:01:00,P2 00:01:30,P2 00:02:00,P3 00:03:00"));

        // Umlauts included, which QTest::keyClicks cannot type.
        for (const QChar c : QStringLiteral("Jürgen"))
            QTest::sendKeyEvent(QTest::Click, window.Nameneingabe, Qt::Key_unknown, c, {});
        if (how == u"enter" || how == u"esc")
            QTest::keyClick(window.Nameneingabe, how == u"esc" ? Qt::Key_Escape : Qt::Key_Return);
        else if (how == u"ok")
            QTest::mouseClick(window.OKButton, Qt::LeftButton, {}, QPoint(40, 8));
        else if (how == u"close")
            QTest::mouseClick(window.SpezialButton4, Qt::LeftButton, {}, QPoint(6, 6));
        else
            window.close();
        QVERIFY(
            !window.isNaming() && window.OKButton->isHidden() && !window.Beschreibung->isHidden());
        QCOMPARE(window.isVisible(), !closes);
        QCOMPARE(namesAndTimes(tableInFile()),
            QStringLiteral("P1 00:01:00,Jürgen 00:01:30,P2 00:02:00,P3 00:03:00"));
        window.SpezialButton4Click();
    }));
    // The next showing from the menu has no entry field.
    QVERIFY(runModal([&] { window.showModal(); },
        [&] {
            QVERIFY(!window.isNaming() && !window.OKButton->isVisible());
            QCOMPARE(window.nameCell(2)->text().trimmed(), QStringLiteral("Jürgen"));
            window.SpezialButton4Click();
        }));
}

void TestHighscore::resultThatDoesNotEnterShowsTheTable()
{
    writeTable(QStringLiteral("00:01:00"));
    const QByteArray before = fileContent();
    bool shown = false;
    QVERIFY(addResult(QStringLiteral("00:00:00"), [&] {
        shown = m_window->isVisible();
        QVERIFY(!m_window->isNaming() && !m_window->OKButton->isVisible());
        QVERIFY(m_window->Beschreibung->isVisible());
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
    }));
    QVERIFY(shown);
    QCOMPARE(fileContent(), before);
}

void TestHighscore::unwritableFileIsReportedAndTheResultKept()
{
    // A folder in the file's place is said once, when the table is read, and never written.
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("highscore.ini")));
    const QString message = QStringLiteral("%1 kann nicht gelesen werden").arg(filePath());
    QVERIFY(addResult(QStringLiteral("00:03:00"), [&] {
        QCOMPARE(m_errors, QStringList {message});
        QVERIFY(m_window->isNaming());
        QCOMPARE(m_window->timeCell(1)->text(), QStringLiteral("00:03:00"));
        QTest::keyClick(m_window->Nameneingabe, Qt::Key_Return);
        QCOMPARE(m_errors, QStringList {message});
        QCOMPARE(m_window->nameCell(1)->text(), QStringLiteral("Kein Name"));
        QVERIFY(m_window->isVisible());
        m_window->SpezialButton4Click();
    }));
}

void TestHighscore::unreadableFileIsReportedAndKept_data()
{
    QTest::addColumn<bool>("atGameEnd"); // else only when the name is entered
    QTest::newRow("when the game ends") << true;
    QTest::newRow("when the name is entered") << false;
}

// A file that cannot be read whole (here: over the size limit) is reported once and never
// written over; the result still shows.
void TestHighscore::unreadableFileIsReportedAndKept()
{
    QFETCH(bool, atGameEnd);
    writeTable(QStringLiteral("00:01:00,00:02:00"));
    const QByteArray unreadable = fileContent() + QByteArray(IniFile::MaxFileSize, ';');
    if (atGameEnd)
        writeFile(unreadable);
    const QString message = filePath() + QStringLiteral(" kann nicht gelesen werden");
    QVERIFY(addResult(QStringLiteral("00:01:30"), [&] {
        QCOMPARE(m_errors, atGameEnd ? QStringList {message} : QStringList {});
        QCOMPARE(m_window->timeCell(atGameEnd ? 1 : 2)->text(), QStringLiteral("00:01:30"));
        // Readable again, or unreadable now: either way the save of the name leaves it alone,
        // since rows loaded from an unreadable file are not the file's rows.
        const QByteArray now = atGameEnd ? QByteArray("[Text,4,1]\n") : unreadable;
        writeFile(now);
        QTest::keyClick(m_window->Nameneingabe, Qt::Key_Return);
        QCOMPARE(m_errors, QStringList {message});
        QVERIFY(fileContent() == now);
        m_window->SpezialButton4Click();
    }));
}

// A result keeps its table whatever the window shows, and another instance's row stays.
void TestHighscore::resultKeepsItsTableBesideAnotherInstance()
{
    writeTable(QStringLiteral("00:01:00"));
    const auto result = m_window->configuration();
    m_window->configuration = [] { return HighscoreConfiguration {false, "Motiv A", 4, 2}; };
    QVERIFY(runModal([&] { m_window->showModal(); }, [&] {
        m_window->AddResult(QStringLiteral("00:02:00"), result);
        writeTable(QStringLiteral("00:00:30,00:01:00")); // another instance saves meanwhile
        QTest::keyClicks(m_window->Nameneingabe, QStringLiteral("A"));
        m_window->SpezialButton4Click();
    }));
    QCOMPARE(namesAndTimes(tableInFile()), "P1 00:00:30,P2 00:01:00,A 00:02:00");
    QVERIFY(!fileContent().contains("[Text,4,2]"));
}

QTEST_MAIN(TestHighscore)

#include "tst_highscore.moc"

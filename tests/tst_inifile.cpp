#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

// The INI service: value parsing, lookups, in-place writes, damaged files and failed saves.
class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void parseInteger_data();
    void parseInteger();
    void readString_data();
    void readString();
    void readNumbers_data();
    void readNumbers();
    void valuesAreCappedWholeCharacters();
    void write_data();
    void write();
    void missingFileReadsAsDefaultsAndIsCreated();
    void damagedFilesReadAsDefaultsAndAreRepaired_data();
    void damagedFilesReadAsDefaultsAndAreRepaired();
    void contentBeyondTheSizeLimitIsIgnored();
    void failedSaveKeepsTheOldFile();

private:
    QString fixture(const QByteArray &content, const QString &name = QStringLiteral("t.ini"));
    static QByteArray bytesOf(const QString &path);

    QTemporaryDir m_folder;
};

QString TestIniFile::fixture(const QByteArray &content, const QString &name)
{
    const QString path = m_folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) < 0)
        qFatal("cannot write fixture %s", qPrintable(path));
    return path;
}

QByteArray TestIniFile::bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestIniFile::parseInteger_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("number");
    QTest::newRow("blanks around") << " \t7 " << true << 7;
    QTest::newRow("0X mixed case") << "0X1f" << true << 31;
    QTest::newRow("all 32 bits") << "0xFFFFFFFF" << true << -1;
    QTest::newRow("plus") << "+5" << false << 0;
    QTest::newRow("negative hex") << "-$10" << false << 0;
    QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662") << false << 0;
    QTest::newRow("decimal overflow") << "2147483648" << false << 0;
    QTest::newRow("hex beyond 32 bits") << "0x100000000" << false << 0;
}

void TestIniFile::parseInteger()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, number);
    const std::optional<int> parsed = ParseIniInteger(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, number);
}

void TestIniFile::readString_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const QString def = QStringLiteral("DEF");
    QTest::newRow("letter case") << QByteArray("[ALLGEMEIN]\nbild=a.jpg\n") << "allgemein"
                                 << "BILD"
                                 << "a.jpg";
    QTest::newRow("umlaut case") << QByteArray("[gr\xc3\xb6\xc3\x9f"
                                               "e]\nk=1\n")
                                 << QString::fromUtf8("GR\u00d6\u00dfE") << "K"
                                 << "1";
    QTest::newRow("blanks trimmed") << QByteArray("  [ A ] \n \t k \t=  v w \t\r\n") << "A"
                                    << "k"
                                    << "v w";
    QTest::newRow("brackets in name")
        << QByteArray("[bild[1].jpg,5,2]\nEintrag1=x\n") << "bild[1].jpg,5,2"
        << "Eintrag1"
        << "x";
    QTest::newRow("Latin-1 line") << QByteArray("[A]\nk=Gr\xf6\xdf"
                                                "e\n")
                                  << "A"
                                  << "k" << QString::fromUtf8("Gr\u00f6\u00dfe");
    QTest::newRow("NUL ends the value") << QByteArray("[A]\nk=ab\0cd\nj=x\n", 17) << "A"
                                        << "k"
                                        << "ab";
    QTest::newRow("lone CR") << QByteArray("[A]\nk=1\rj=2\n") << "A"
                             << "j" << def;
}

void TestIniFile::readString()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const IniFile ini(fixture(content));
    QVERIFY(ini.existed());
    QCOMPARE(ini.readString(section, key, QStringLiteral("DEF")), expected);
}

void TestIniFile::readNumbers_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("integer");
    QTest::addColumn<bool>("boolean");
    // Defaults: 5 and true.
    QTest::newRow("hex") << QByteArray("[A]\nk=0x20\n") << 32 << true;
    QTest::newRow("not a number") << QByteArray("[A]\nk=abc\n") << 5 << true;
    QTest::newRow("zero") << QByteArray("[A]\nk=0\n") << 0 << false;
}

void TestIniFile::readNumbers()
{
    QFETCH(QByteArray, content);
    QFETCH(int, integer);
    QFETCH(bool, boolean);
    const IniFile ini(fixture(content));
    QCOMPARE(ini.readInteger("a", "k", 5), integer);
    QCOMPARE(ini.readBool("a", "k", true), boolean);
    QCOMPARE(ini.readBool("a", "k", false), integer == 5 ? false : boolean);
}

void TestIniFile::valuesAreCappedWholeCharacters()
{
    const QString exact(2047, u'x');
    const QString emoji = QString::fromUtf8("\U0001F600");
    const QByteArray content = "[A]\nlong=" + QByteArray(5000, 'y') + "\nexact=" + exact.toUtf8()
        + "\nsplit=" + QByteArray(2046, 'z') + emoji.toUtf8() + "\n";
    const IniFile ini(fixture(content));
    QCOMPARE(ini.readString("A", "long", {}), QString(2047, u'y'));
    QCOMPARE(ini.readString("A", "exact", {}), exact);
    QCOMPARE(ini.readString("A", "split", {}), QString(2046, u'z'));
}

void TestIniFile::write_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QStringList>("writes"); // section, key, value, section, key, value ...
    QTest::addColumn<QByteArray>("after");
    using L = QStringList;
    QTest::newRow("in place, others kept")
        << QByteArray("; Tilora\r\n[Allgemein]\r\n Groesse = 7 \r\nZeigeMischen=1\r\n\r\n"
                      "[Andere]\r\nGroesse=9\r\n")
        << L {"allgemein", "Groesse", "5"}
        << QByteArray("; Tilora\r\n[Allgemein]\r\nGroesse=5\r\nZeigeMischen=1\r\n\r\n"
                      "[Andere]\r\nGroesse=9\r\n");
    QTest::newRow("spelling of the key")
        << QByteArray("[Allgemein]\nSteingroesse=50\n") << L {"Allgemein", "SteinGroesse", "50"}
        << QByteArray("[Allgemein]\nSteinGroesse=50\n");
    QTest::newRow("key without break")
        << QByteArray("[A]\r\nx=1") << L {"A", "k", "v"} << QByteArray("[A]\r\nx=1\r\nk=v\r\n");
    QTest::newRow("new keys in order")
        << QByteArray("[A]\nx=1\n\n") << L {"A", "k1", "1", "A", "k2", "2", "a", "K1", "3"}
        << QByteArray("[A]\nx=1\nK1=3\nk2=2\n\n");
    QTest::newRow("line breaks in value")
        << QByteArray("[A]\n") << L {"A", "k", "a\r\nb"} << QByteArray("[A]\nk=a  b\n");
    QTest::newRow("umlauts as UTF-8") << QByteArray()
                                      << L {QString::fromUtf8("Gr\u00f6\u00dfe, 1.jpg,5,2"), "Bild",
                                             QString::fromUtf8("B\u00e4ume.jpg")}
                                      << QByteArray("[Gr\xc3\xb6\xc3\x9f"
                                                    "e, 1.jpg,5,2]\nBild=B\xc3\xa4ume.jpg\n");
}

void TestIniFile::write()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, after);
    const QString path = fixture(before);
    IniFile ini(path);
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
        ini.writeString(writes[i], writes[i + 1], writes[i + 2]);
    // The last write, as read before and after saving.
    const QString &section = writes[writes.size() - 3];
    const QString &key = writes[writes.size() - 2];
    const QString readBack
        = QString(writes.last()).replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
    QCOMPARE(ini.readString(section, key, {}), readBack);
    ini.save();
    QCOMPARE(bytesOf(path), after);
    QCOMPARE(IniFile(path).readString(section, key, {}), readBack);
}

void TestIniFile::missingFileReadsAsDefaultsAndIsCreated()
{
    const QString path = m_folder.filePath(QStringLiteral("tilora.ini"));
    IniFile ini(path);
    QVERIFY(!ini.existed());
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), 5);
    ini.writeInteger("Allgemein", "Groesse", 12);
    ini.writeBool("Allgemein", "Vorschau", true);
    ini.save();
    // The object goes on from what it saved.
    ini.writeInteger("Allgemein", "groesse", 4);
    ini.save();
    QCOMPARE(bytesOf(path), "[Allgemein]\ngroesse=4\nVorschau=1\n");
    QVERIFY(IniFile(path).existed());
}

void TestIniFile::damagedFilesReadAsDefaultsAndAreRepaired_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("bild");
    QTest::addColumn<int>("groesse");
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator random(20240601);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    QTest::newRow("random bytes") << noise << "aussicht.jpg" << 5;
    QTest::newRow("megabyte lines") << "[Allgemein]\nBild=" + QByteArray(1 << 20, 'a')
            + "\nGroesse=" + QByteArray(1 << 20, '9') + "\n"
                                    << QString(2047, u'a') << 5;
    QTest::newRow("invalid UTF-8")
        << QByteArray("[Allgemein]\nBild=\xff\xfe\xc0\x80.jpg\nGroesse=\xff"
                      "7\n")
        << QString::fromLatin1("\xff\xfe\xc0\x80.jpg") << 5;
}

void TestIniFile::damagedFilesReadAsDefaultsAndAreRepaired()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, bild);
    QFETCH(int, groesse);
    const QString path = fixture(content);
    IniFile ini(path);
    QCOMPARE(ini.readString("Allgemein", "Bild", "aussicht.jpg"), bild);
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), groesse);
    ini.writeInteger("Allgemein", "Groesse", 6);
    ini.writeString("Allgemein", "Bild", QString::fromUtf8("Größe.jpg"));
    ini.save();
    const IniFile again(path);
    QCOMPARE(again.readInteger("Allgemein", "Groesse", 5), 6);
    QCOMPARE(again.readString("Allgemein", "Bild", {}), QString::fromUtf8("Größe.jpg"));
}

void TestIniFile::contentBeyondTheSizeLimitIsIgnored()
{
    const QByteArray head("[Allgemein]\nGroesse=7\n;");
    const QString path = fixture(
        head + QByteArray(IniFile::MaxFileSize, ';') + "\n[Allgemein]\nBild=hinten.jpg\n");
    const IniFile ini(path);
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), 7);
    QCOMPARE(ini.readString("Allgemein", "Bild", "DEF"), "DEF");
}

// A full disk while writing leaves the old file whole and no stray file beside it (a folder in
// the file's place is the settings file's test).
void TestIniFile::failedSaveKeepsTheOldFile()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("highscore.ini"));
    const QByteArray old("[A]\nk=alt\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    file.close();
    IniFile ini(path);
    ini.writeString("A", "k", QString(64 * 1024, u'n'));

    // A file size limit fails the write as a full disk would, even for root.
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    QString message;
    try {
        ini.save();
    } catch (const EIniWriteError &error) {
        message = error.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(message, "nach " + path + " kann nicht geschrieben werden");
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList {"highscore.ini"});
    QCOMPARE(bytesOf(path), old);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

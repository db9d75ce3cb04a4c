#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

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
    void highScoreSectionsRoundTrip();
    void damagedFilesReadAsDefaultsAndAreRepaired_data();
    void damagedFilesReadAsDefaultsAndAreRepaired();
    void contentBeyondTheSizeLimitIsIgnored();
    void failedSaveKeepsTheOldFile_data();
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
    QTest::newRow("decimal") << "12" << true << 12;
    QTest::newRow("negative") << "-3" << true << -3;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("blanks around") << " \t7 " << true << 7;
    QTest::newRow("0x") << "0x20" << true << 32;
    QTest::newRow("0X mixed case") << "0X1f" << true << 31;
    QTest::newRow("dollar") << "$ff" << true << 255;
    QTest::newRow("largest int") << "2147483647" << true << 2147483647;
    QTest::newRow("smallest int") << "-2147483648" << true << int(-2147483647 - 1);
    QTest::newRow("all 32 bits") << "0xFFFFFFFF" << true << -1;
    QTest::newRow("top bit") << "$80000000" << true << int(-2147483647 - 1);
    QTest::newRow("long leading zeros") << "0x0000000000001" << true << 1;
    QTest::newRow("0x alone") << "0x" << false << 0;
    QTest::newRow("dollar alone") << "$" << false << 0;
    QTest::newRow("word") << "abc" << false << 0;
    QTest::newRow("digits then letters") << "12abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("minus alone") << "-" << false << 0;
    QTest::newRow("plus") << "+5" << false << 0;
    QTest::newRow("inner blank") << "1 2" << false << 0;
    QTest::newRow("bad hex digit") << "0x1g" << false << 0;
    QTest::newRow("negative hex") << "-$10" << false << 0;
    QTest::newRow("other digits") << QString::fromUtf8("\u0661\u0662") << false << 0;
    QTest::newRow("decimal overflow") << "2147483648" << false << 0;
    QTest::newRow("decimal underflow") << "-2147483649" << false << 0;
    QTest::newRow("huge decimal") << "99999999999999999999999" << false << 0;
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
    QTest::newRow("plain") << QByteArray("[Allgemein]\nBild=a.jpg\n") << "Allgemein" << "Bild"
                           << "a.jpg";
    QTest::newRow("letter case") << QByteArray("[ALLGEMEIN]\nbild=a.jpg\n") << "allgemein"
                                 << "BILD" << "a.jpg";
    QTest::newRow("umlaut case") << QByteArray("[gr\xc3\xb6\xc3\x9f""e]\nk=1\n")
                                 << QString::fromUtf8("GR\u00d6\u00dfE") << "K" << "1";
    QTest::newRow("missing section") << QByteArray("[A]\nk=1\n") << "B" << "k" << def;
    QTest::newRow("missing key") << QByteArray("[A]\nk=1\n") << "A" << "j" << def;
    QTest::newRow("empty value") << QByteArray("[A]\nk=\n") << "A" << "k" << "";
    QTest::newRow("key before any section") << QByteArray("k=1\n[A]\n") << "A" << "k" << def;
    QTest::newRow("key of the next section") << QByteArray("[A]\n[B]\nk=1\n") << "A" << "k"
                                             << def;
    QTest::newRow("first section wins") << QByteArray("[A]\nk=1\n[a]\nj=2\n") << "A" << "j"
                                        << def;
    QTest::newRow("first key wins") << QByteArray("[A]\nk=1\nK=2\n") << "A" << "k" << "1";
    QTest::newRow("blanks trimmed") << QByteArray("  [ A ] \n \t k \t=  v w \t\r\n") << "A"
                                    << "k" << "v w";
    QTest::newRow("equals in value") << QByteArray("[A]\nk=a=b\n") << "A" << "k" << "a=b";
    QTest::newRow("comment") << QByteArray("[A]\n;k=1\n") << "A" << "k" << def;
    QTest::newRow("after comment") << QByteArray("[A]\n ;k=1\nk=2\n") << "A" << "k" << "2";
    QTest::newRow("no equals") << QByteArray("[A]\nk\n") << "A" << "k" << def;
    QTest::newRow("CR LF") << QByteArray("[A]\r\nk=v\r\n") << "A" << "k" << "v";
    QTest::newRow("no final break") << QByteArray("[A]\nk=v") << "A" << "k" << "v";
    QTest::newRow("brackets in name") << QByteArray("[bild[1].jpg,5,2]\nEintrag1=x\n")
                                      << "bild[1].jpg,5,2" << "Eintrag1" << "x";
    QTest::newRow("unclosed bracket") << QByteArray("[A]\n[B\nk=v\n") << "A" << "k" << "v";
    QTest::newRow("picture section")
        << QByteArray("[B\xc3\xa4ume am See, Nr. 2.jpg,12,4]\r\nEintrag10=Lmn op\r\n")
        << QString::fromUtf8("b\u00e4ume am see, nr. 2.jpg,12,4") << "eintrag10" << "Lmn op";
    QTest::newRow("UTF-8") << QByteArray("[A]\nk=Gr\xc3\xb6\xc3\x9f""e\n") << "A" << "k"
                           << QString::fromUtf8("Gr\u00f6\u00dfe");
    QTest::newRow("Latin-1 line") << QByteArray("[A]\nk=Gr\xf6\xdf""e\n") << "A" << "k"
                                  << QString::fromUtf8("Gr\u00f6\u00dfe");
    QTest::newRow("UTF-8 key, Latin-1 value")
        << QByteArray("[A]\nGr\xc3\xb6\xc3\x9f""e=\xff\n") << "A"
        << QString::fromUtf8("GR\u00d6\u00dfE") << QString::fromUtf8("\u00ff");
    QTest::newRow("Latin-1 key") << QByteArray("[A]\nGr\xf6\xdf""e=1\n") << "A"
                                 << QString::fromUtf8("gr\u00f6\u00dfe") << "1";
    QTest::newRow("cut UTF-8 sequence") << QByteArray("[A]\nk=\xc3\n") << "A" << "k"
                                        << QString::fromUtf8("\u00c3");
    QTest::newRow("NUL ends the value") << QByteArray("[A]\nk=ab\0cd\nj=x\n", 17) << "A" << "k"
                                        << "ab";
    QTest::newRow("NUL before next key") << QByteArray("[A]\nk=ab\0cd\nj=x\n", 17) << "A"
                                         << "j" << "x";
    QTest::newRow("NUL in header") << QByteArray("[A\0]\nk=v\n", 9) << "A" << "k" << def;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[A]\nk=v\n") << "A" << "k"
                                     << "v";
    QTest::newRow("lone CR") << QByteArray("[A]\nk=1\rj=2\n") << "A" << "j" << def;
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
    QTest::newRow("two") << QByteArray("[A]\nk=2\n") << 2 << true;
    QTest::newRow("minus one") << QByteArray("[A]\nK = -1\n") << -1 << true;
    QTest::newRow("empty") << QByteArray("[A]\nk=\n") << 5 << true;
    QTest::newRow("missing") << QByteArray("[A]\n") << 5 << true;
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
        << L{"allgemein", "Groesse", "5"}
        << QByteArray("; Tilora\r\n[Allgemein]\r\nGroesse=5\r\nZeigeMischen=1\r\n\r\n"
                      "[Andere]\r\nGroesse=9\r\n");
    QTest::newRow("spelling of the key") << QByteArray("[Allgemein]\nSteingroesse=50\n")
                                         << L{"Allgemein", "SteinGroesse", "50"}
                                         << QByteArray("[Allgemein]\nSteinGroesse=50\n");
    QTest::newRow("same line untouched") << QByteArray("[A]\n  k =  5 \n") << L{"A", "k", "5"}
                                         << QByteArray("[A]\n  k =  5 \n");
    QTest::newRow("added after the last key")
        << QByteArray("[A]\nx=1\n\n; B: y=2\n[B]\ny=2\n") << L{"A", "k", "v"}
        << QByteArray("[A]\nx=1\nk=v\n\n; B: y=2\n[B]\ny=2\n");
    QTest::newRow("section without keys") << QByteArray("[A]\n[B]\n") << L{"A", "k", "v"}
                                          << QByteArray("[A]\nk=v\n[B]\n");
    QTest::newRow("header without break") << QByteArray("[A]") << L{"A", "k", "v"}
                                          << QByteArray("[A]\nk=v\n");
    QTest::newRow("key without break") << QByteArray("[A]\r\nx=1") << L{"A", "k", "v"}
                                       << QByteArray("[A]\r\nx=1\r\nk=v\r\n");
    QTest::newRow("replaced and added without break")
        << QByteArray("[A]\nx=1") << L{"A", "x", "2", "A", "y", "3"}
        << QByteArray("[A]\nx=2\ny=3\n");
    QTest::newRow("first of two sections") << QByteArray("[A]\nx=1\n[a]\nk=2\n")
                                           << L{"A", "k", "v"}
                                           << QByteArray("[A]\nx=1\nk=v\n[a]\nk=2\n");
    QTest::newRow("new keys in order") << QByteArray("[A]\nx=1\n\n")
                                       << L{"A", "k1", "1", "A", "k2", "2", "a", "K1", "3"}
                                       << QByteArray("[A]\nx=1\nK1=3\nk2=2\n\n");
    QTest::newRow("new section") << QByteArray("[A]\nx=1\n") << L{"B", "k", "v"}
                                 << QByteArray("[A]\nx=1\n\n[B]\nk=v\n");
    QTest::newRow("new section after blank") << QByteArray("[A]\nx=1\n \n") << L{"B", "k", "v"}
                                             << QByteArray("[A]\nx=1\n \n[B]\nk=v\n");
    QTest::newRow("new section, no break") << QByteArray("[A]\r\nx=1") << L{"B", "k", "v"}
                                           << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\nk=v\r\n");
    QTest::newRow("two new sections") << QByteArray()
                                      << L{"B", "k", "1", "C", "k", "2", "b", "j", "3"}
                                      << QByteArray("[B]\nk=1\nj=3\n\n[C]\nk=2\n");
    QTest::newRow("old and new sections")
        << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n")
        << L{"B", "y", "3", "C", "z", "4", "A", "w", "5"}
        << QByteArray("[A]\r\nx=1\r\nw=5\r\n[B]\r\ny=3\r\n\r\n[C]\r\nz=4\r\n");
    QTest::newRow("names trimmed") << QByteArray() << L{" B ", " k ", "v"}
                                   << QByteArray("[B]\nk=v\n");
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF") << L{"B", "k", "v"}
                                     << QByteArray("\xEF\xBB\xBF[B]\nk=v\n");
    QTest::newRow("Latin-1 neighbour") << QByteArray("[A]\nn=M\xfcller\nk=1\n")
                                       << L{"A", "k", "2"}
                                       << QByteArray("[A]\nn=M\xfcller\nk=2\n");
    QTest::newRow("line with NUL") << QByteArray("[A]\nk=1\0x\nj=2\n", 14) << L{"A", "k", "3"}
                                   << QByteArray("[A]\nk=3\nj=2\n");
    QTest::newRow("line breaks in value") << QByteArray("[A]\n") << L{"A", "k", "a\r\nb"}
                                          << QByteArray("[A]\nk=a  b\n");
    QTest::newRow("umlauts as UTF-8")
        << QByteArray()
        << L{QString::fromUtf8("Gr\u00f6\u00dfe, 1.jpg,5,2"), "Bild",
             QString::fromUtf8("B\u00e4ume.jpg")}
        << QByteArray("[Gr\xc3\xb6\xc3\x9f""e, 1.jpg,5,2]\nBild=B\xc3\xa4ume.jpg\n");
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
    const QString readBack =
        QString(writes.last()).replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
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
    QCOMPARE(ini.readString("Allgemein", "Bild", "aussicht.jpg"), "aussicht.jpg");
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), 5);
    QCOMPARE(ini.readBool("Allgemein", "Vorschau", false), false);
    ini.writeInteger("Allgemein", "Groesse", 12);
    ini.writeBool("Allgemein", "Vorschau", true);
    ini.writeInteger("Allgemein", "Steinfarbe", 0x808080);
    ini.save();
    QCOMPARE(bytesOf(path), "[Allgemein]\nGroesse=12\nVorschau=1\nSteinfarbe=8421504\n");
    // The object goes on from what it saved.
    ini.writeInteger("Allgemein", "groesse", 4);
    ini.writeString("Allgemein", "Bild", "x.jpg");
    ini.save();
    QCOMPARE(bytesOf(path),
             "[Allgemein]\ngroesse=4\nVorschau=1\nSteinfarbe=8421504\nBild=x.jpg\n");
    const IniFile again(path);
    QVERIFY(again.existed());
    QCOMPARE(again.readBool("allgemein", "vorschau", false), true);
}

void TestIniFile::highScoreSectionsRoundTrip()
{
    // Scrambled values use every character from the blank upwards, "=", ";" and "[" included.
    QString scrambled = QStringLiteral("B");
    for (char16_t c = 0x20; c <= 0xFF; ++c)
        scrambled += QChar(c);
    scrambled += u'7';
    const QString section = QString::fromUtf8("Bäume am See, Nr. 2.jpg,12,4");
    const QString path = fixture("[Text,4,1]\nEintrag1=Kx\n");
    IniFile ini(path);
    for (int row = 1; row <= 10; ++row)
        ini.writeString(section, "Eintrag" + QString::number(row), row % 2 ? scrambled : "");
    ini.save();
    const IniFile again(path);
    QCOMPARE(again.readString("text,4,1", "eintrag1", {}), "Kx");
    for (int row = 1; row <= 10; ++row)
        QCOMPARE(again.readString(section.toUpper(), "EINTRAG" + QString::number(row), "DEF"),
                 row % 2 ? scrambled : "");
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
    QTest::newRow("NUL bytes")
        << QByteArray(4096, '\0') + QByteArray("[Allge\0mein]\nGroesse=7\n", 23)
        << "aussicht.jpg" << 5;
    QTest::newRow("megabyte lines")
        << "[Allgemein]\nBild=" + QByteArray(1 << 20, 'a') + "\nGroesse="
            + QByteArray(1 << 20, '9') + "\n"
        << QString(2047, u'a') << 5;
    QTest::newRow("megabyte header") << "[" + QByteArray(1 << 20, 'x') << "aussicht.jpg" << 5;
    QTest::newRow("invalid UTF-8")
        << QByteArray("[Allgemein]\nBild=\xff\xfe\xc0\x80.jpg\nGroesse=\xff""7\n")
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
    const QString path = fixture(head + QByteArray(IniFile::MaxFileSize, ';')
                                 + "\n[Allgemein]\nBild=hinten.jpg\n");
    const IniFile ini(path);
    QCOMPARE(ini.readInteger("Allgemein", "Groesse", 5), 7);
    QCOMPARE(ini.readString("Allgemein", "Bild", "DEF"), "DEF");
}

void TestIniFile::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("valueSize");
    QTest::newRow("parent is a file") << "parent" << 10;
    QTest::newRow("folder in the file's place") << "folder" << 10;
    QTest::newRow("disk full while writing") << "full" << 64 * 1024;
    QTest::newRow("disk full at the last flush") << "full" << 8 * 1024;
    QTest::newRow("read-only folder") << "readonly" << 10;
}

void TestIniFile::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, kind);
    QFETCH(int, valueSize);
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("highscore.ini"));
    const QByteArray old("[A]\nk=alt\n");
    if (kind == "parent") {
        QFile blocker(folder.filePath(QStringLiteral("datei")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        path = blocker.fileName() + QStringLiteral("/highscore.ini");
    } else if (kind == "folder") {
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("highscore.ini/inhalt")));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    if (kind == "readonly") {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    }
    const QStringList entriesBefore = QDir(folder.path()).entryList(QDir::AllEntries);

    IniFile ini(path);
    QCOMPARE(ini.readString("A", "k", "DEF"), kind == "parent" || kind == "folder" ? "DEF"
                                                                                  : "alt");
    ini.writeString("A", "k", QString(valueSize, u'n'));

    // A file size limit fails the write as a full disk would, even for root.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (kind == "full") {
        limit.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    QString message;
    try {
        ini.save();
    } catch (const EIniWriteError &error) {
        message = error.message();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(message, "nach " + path + " kann nicht geschrieben werden");
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries), entriesBefore);
    if (kind == "folder")
        QVERIFY(QFileInfo(path).isDir());
    else if (kind != "parent")
        QCOMPARE(bytesOf(path), old);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

#include "logic/HighscoreTable.h"

#include "logic/IniFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

const std::array<QString, 5> ShuffleDurationNames = {
    QStringLiteral("selbst bestimmte Mischdauer"),
    QStringLiteral("kurze Mischdauer"),
    QStringLiteral("mittlere Mischdauer"),
    QStringLiteral("lange Mischdauer"),
    QStringLiteral("extrem lange Mischdauer"),
};

// Windows-1252 bytes 0x80 .. 0x9F. The five codes the page leaves free stand for the C1
// control characters of the same number, so that every byte reads and writes back as itself.
// clang-format off
constexpr std::array<char16_t, 32> HighBlock = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

constexpr char Unknown = '?';
constexpr char Marker = 'A';

// The byte of a character, or none (-1).
int codePageByte(char32_t c)
{
    if (c < 0x20)
        return ' ';
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return int(c);
    const auto found = std::find(HighBlock.begin(), HighBlock.end(), c);
    if (found != HighBlock.end())
        return 0x80 + int(found - HighBlock.begin());
    return -1;
}

char encodedCharacter(char32_t c)
{
    if (const int byte = codePageByte(c); byte >= 0)
        return char(byte);
    // An accented letter the page lacks keeps its base letter: "ő" is stored as "o".
    const QString decomposed = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    const QList<uint> parts = decomposed.toUcs4();
    if (parts.size() > 1 && std::all_of(parts.begin() + 1, parts.end(), [](uint part) {
            return QChar::isMark(char32_t(part));
        })) {
        if (const int byte = codePageByte(parts.first()); byte > ' ')
            return char(byte);
    }
    return Unknown;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

QString ShuffleDurationName(int duration)
{
    if (duration < 0 || duration >= int(ShuffleDurationNames.size()))
        return QString();
    return ShuffleDurationNames[duration];
}

QString PictureFileName(const QString &pictureName)
{
    return pictureName.sliced(pictureName.lastIndexOf(u'/') + 1);
}

namespace {

// The picture's file name, or "Text" for number mode.
QString TablePicture(const HighscoreConfiguration &configuration)
{
    return configuration.PictureMode ? PictureFileName(configuration.PictureName)
                                     : QStringLiteral("Text");
}

} // namespace

QString TableKey(const HighscoreConfiguration &configuration)
{
    return QStringLiteral("%1,%2,%3")
        .arg(TablePicture(configuration))
        .arg(configuration.GridSize)
        .arg(configuration.ShuffleDuration);
}

QString DescriptionLine(const HighscoreConfiguration &configuration)
{
    return QStringLiteral("%1 - %2×%2 - %3")
        .arg(TablePicture(configuration))
        .arg(configuration.GridSize)
        .arg(ShuffleDurationName(configuration.ShuffleDuration));
}

int TimeKey(QStringView text)
{
    if (text.size() != TimeTextLength)
        return 0;
    int key = 0;
    for (const int position : {0, 1, 3, 4, 6, 7}) {
        if (!isDigit(text[position]))
            return 0;
        key = key * 10 + (text[position].unicode() - u'0');
    }
    return key;
}

QString DateText(QDate date)
{
    return date.toString(u"dd.MM.yyyy");
}

QByteArray EncodeEntryText(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        bytes += encodedCharacter(c);
    return bytes;
}

QString DecodeEntryText(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        if (byte < 0x20)
            text += u' ';
        else if (byte >= 0x80 && byte < 0xA0)
            text += QChar(HighBlock[byte - 0x80]);
        else
            text += QChar(byte);
    }
    return text;
}

QByteArray PadName(const QString &name)
{
    QByteArray bytes = EncodeEntryText(name);
    bytes.truncate(StoredNameLength);
    return bytes.leftJustified(StoredNameLength, ' ');
}

QByteArray ScrambleEntry(QByteArrayView plain, int key)
{
    QByteArray value;
    value.reserve(plain.size() + 1);
    value += char(Marker ^ key);
    for (const char c : plain)
        value += char(c ^ key);
    return value;
}

int DrawScrambleKey(std::mt19937 &random)
{
    return std::uniform_int_distribution<int>(MinScrambleKey, MaxScrambleKey)(random);
}

QByteArray UnscrambleEntry(QByteArrayView value)
{
    if (value.isEmpty())
        return QByteArray();
    for (int key = MinScrambleKey; key <= MaxScrambleKey; ++key) {
        if ((value[0] ^ key) != Marker)
            continue;
        QByteArray plain;
        plain.reserve(value.size() - 1);
        for (const char c : value.sliced(1))
            plain += char(c ^ key);
        return plain;
    }
    return QByteArray();
}

QByteArray PlainEntry(const QString &tableKey, int row, const HighscoreEntry &entry)
{
    return EncodeEntryText(tableKey) + QByteArray::number(row) + PadName(entry.name)
        + EncodeEntryText(entry.time) + EncodeEntryText(entry.date);
}

namespace {

bool isDateText(const QString &date)
{
    if (date.size() != DateTextLength)
        return false;
    for (int i = 0; i < DateTextLength; ++i) {
        const bool dot = i == 2 || i == 5;
        if (dot ? date[i] != QLatin1Char('.') : !date[i].isDigit() || date[i].unicode() > '9')
            return false;
    }
    return true;
}

} // namespace

HighscoreEntry ParseEntry(QByteArrayView plain, const QString &tableKey, int row)
{
    if (plain.size() < EntryTailLength)
        return HighscoreEntry();
    const qsizetype tail = plain.size() - EntryTailLength;
    // The row's table as the file finds its section, regardless of case and surrounding
    // blanks: the rows of "colour.bmp" are those of "Colour.bmp", which saves them again.
    const QByteArray number = QByteArray::number(row);
    const QByteArrayView head = plain.first(tail);
    if (!head.endsWith(number)
        || !IniFile::sameName(DecodeEntryText(head.chopped(number.size())),
            DecodeEntryText(EncodeEntryText(tableKey)))) {
        return HighscoreEntry();
    }
    HighscoreEntry entry;
    entry.name = DecodeEntryText(plain.sliced(tail, StoredNameLength));
    entry.time = DecodeEntryText(plain.sliced(tail + StoredNameLength, TimeTextLength));
    entry.date = DecodeEntryText(plain.last(DateTextLength));
    entry.TimeKey = TimeKey(entry.time);
    // A time that gives no key cannot be ranked, and a date that is not "dd.mm.yyyy" cannot
    // be saved again safely (its last character must not scramble into a blank that the file
    // would trim): such a row is taken as empty.
    if (entry.TimeKey == 0 || !isDateText(entry.date))
        return HighscoreEntry();
    return entry;
}

namespace {

// Earlier versions handed each stored byte to the INI service as the character of that code,
// which wrote it as UTF-8: the bytes back, or none for a value that is not of that form.
std::optional<QByteArray> bytesOfUtf8Value(QByteArrayView value)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(value);
    if (decoder.hasError()
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0xFF; })) {
        return std::nullopt;
    }
    return text.toLatin1();
}

} // namespace

QString EntryKey(int row)
{
    return QStringLiteral("Eintrag%1").arg(row);
}

HighscoreTable ReadTable(const IniFile &file, const QString &tableKey)
{
    HighscoreTable table;
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        const QByteArray value = file.readBytes(tableKey, EntryKey(row));
        HighscoreEntry entry = ParseEntry(UnscrambleEntry(value), tableKey, row);
        // Single bytes first: a value of the older form with any character beyond ASCII never
        // parses as such, since its extra bytes make the text longer than its pieces.
        if (entry.isEmpty()) {
            if (const auto older = bytesOfUtf8Value(value); older && *older != value)
                entry = ParseEntry(UnscrambleEntry(*older), tableKey, row);
        }
        table[row - 1] = entry;
    }
    return table;
}

void WriteTable(
    IniFile &file, const QString &tableKey, const HighscoreTable &table, std::mt19937 &random)
{
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        const HighscoreEntry &entry = table[row - 1];
        QByteArray value;
        if (!entry.isEmpty())
            value = ScrambleEntry(PlainEntry(tableKey, row, entry), DrawScrambleKey(random));
        file.writeBytes(tableKey, EntryKey(row), value);
    }
}

int EnterResult(HighscoreTable &table, const QString &timeText, const QString &date)
{
    const int key = TimeKey(timeText);
    if (key == 0)
        return 0;
    int i = HighscoreRowCount;
    for (; i >= 1; --i) {
        const HighscoreEntry &entry = table[i - 1];
        if (entry.TimeKey != 0 && key >= entry.TimeKey)
            break;
        if (i < HighscoreRowCount)
            table[i] = entry;
    }
    if (i + 1 > HighscoreRowCount)
        return 0;
    HighscoreEntry &entered = table[i];
    entered.time = timeText;
    entered.TimeKey = key;
    entered.date = date;
    return i + 1;
}

namespace {

// Whether two rows hold the same name (as stored), time and date.
bool sameEntry(const HighscoreEntry &a, const HighscoreEntry &b)
{
    return a.time == b.time && a.date == b.date && PadName(a.name) == PadName(b.name);
}

} // namespace

int NameResult(HighscoreTable &table, const HighscoreEntry &entered, const QString &name)
{
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        if (!entered.isEmpty() && sameEntry(table[row - 1], entered)) {
            table[row - 1].name = name;
            return row;
        }
    }
    // Not there (yet): the save at the end of the game failed, or the file was replaced.
    const int row = EnterResult(table, entered.time, entered.date);
    if (row > 0)
        table[row - 1].name = name;
    return row;
}

TableUpdate UpdateTable(const QString &path, const QString &tableKey,
    const std::function<bool(HighscoreTable &)> &change, std::mt19937 &random)
{
    const IniFileLock lock(path);
    IniFile file(path);
    TableUpdate update;
    update.table = ReadTable(file, tableKey);
    const bool changed = change(update.table);
    if (file.readError()) {
        update.unreadable = true;
        update.error = file.readError()->message();
        return update;
    }
    if (!changed)
        return update;
    WriteTable(file, tableKey, update.table, random);
    try {
        file.save();
    } catch (const EIniFileError &error) {
        update.error = error.message();
    }
    return update;
}

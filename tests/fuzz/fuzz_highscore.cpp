// The high score file: the input is the content of "highscore.ini". Its table is read, written
// back and read again, which must give the same rows; each of its values also goes through
// UnscrambleEntry and ParseEntry on its own. Plain logic: no window, no application.

#include "FuzzSupport.h"

#include "logic/HighscoreTable.h"
#include "logic/IniFile.h"

#include <QDir>

namespace {

// A picture name with characters beyond ASCII, so that the section name's encoding counts.
const HighscoreConfiguration Configuration {
    true, QStringLiteral("/bilder/Blick über den Fluß.jpg"), 5, 2};

QString filePath;

QString describe(int row, const HighscoreEntry &entry)
{
    return QStringLiteral("row %1: \"%2\" \"%3\" \"%4\" %5")
        .arg(row)
        .arg(entry.name, entry.time, entry.date)
        .arg(entry.TimeKey);
}

void checkRows(const HighscoreTable &table)
{
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        const HighscoreEntry &entry = table[row - 1];
        if (entry.isEmpty()) {
            fuzz::check(entry == HighscoreEntry(), "an empty row is empty throughout",
                describe(row, entry));
            continue;
        }
        fuzz::check(entry.name.size() == StoredNameLength && entry.time.size() == TimeTextLength
                && entry.date.size() == DateTextLength,
            "a row holds a name, a time and a date of their lengths", describe(row, entry));
        fuzz::check(entry.TimeKey > 0 && entry.TimeKey == TimeKey(entry.time),
            "a row's sort key is its time's", describe(row, entry));
    }
}

// Every value of the input as it stands in the file, scrambled.
void checkValues(QByteArrayView content)
{
    const QString tableKey = TableKey(Configuration);
    for (QByteArrayView rest = content; !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArrayView value = line.sliced(equals + 1);
        const QByteArray plain = UnscrambleEntry(value);
        const int key = value.isEmpty() ? 0 : value[0] ^ 'A';
        if (key >= MinScrambleKey && key <= MaxScrambleKey) {
            fuzz::check(ScrambleEntry(plain, key) == value,
                "an unscrambled value scrambles back with its key");
        } else {
            fuzz::check(plain.isEmpty(), "a value without a key gives nothing");
        }
        for (int row = 1; row <= HighscoreRowCount; ++row) {
            HighscoreTable table;
            table[row - 1] = ParseEntry(plain, tableKey, row);
            checkRows(table);
        }
    }
}

// The scramble keys come from the input too, so that every input replays alike.
quint32 seedOf(QByteArrayView content)
{
    quint32 hash = 2166136261u;
    for (const char c : content)
        hash = (hash ^ quint8(c)) * 16777619u;
    return hash;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    filePath = QDir(fuzz::workFolder()).filePath(QStringLiteral("highscore.ini"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView content(reinterpret_cast<const char *>(data), qsizetype(size));
    checkValues(content);

    fuzz::writeFile(filePath, content);
    const QString tableKey = TableKey(Configuration);
    const HighscoreTable loaded = ReadTable(IniFile(filePath), tableKey);
    checkRows(loaded);

    std::mt19937 random(seedOf(content));
    try {
        IniFile file(filePath);
        WriteTable(file, tableKey, loaded, random);
        file.save();
    } catch (const ETiloraError &error) {
        fuzz::fail("the work folder takes the file", error.message());
    }
    const HighscoreTable again = ReadTable(IniFile(filePath), tableKey);
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        fuzz::check(again[row - 1] == loaded[row - 1], "a saved table loads the same",
            describe(row, loaded[row - 1]) + QStringLiteral(" / ") + describe(row, again[row - 1]));
    }
    return 0;
}

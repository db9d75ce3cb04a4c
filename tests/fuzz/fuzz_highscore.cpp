// The high score file: the input is the content of "highscore.ini". The high score window
// loads its table from it, saves it and loads it again, which must give the same rows; each
// of its values also goes through UnscrambleEntry and ParseEntry on its own.

#include "FuzzSupport.h"

#include "logic/IniFile.h"
#include "main/HauptFenster.h"
#include "logic/HighscoreTable.h"
#include "windows/highscorefenster.h"

#include <QLabel>

namespace {

// A picture name with characters beyond ASCII, so that the section name's encoding counts.
const HighscoreConfiguration Configuration {
    true, QStringLiteral("/bilder/Blick über den Fluß.jpg"), 5, 2};

THighscore *window = nullptr;

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
    fuzz::startApplication();
    TTiloraForm::setSettingsFolder(fuzz::workFolder());
    window = new THighscore;
    window->configuration = [] { return Configuration; };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView content(reinterpret_cast<const char *>(data), qsizetype(size));
    checkValues(content);

    fuzz::writeFile(THighscore::highscoreFilePath(), content);
    window->seedRandom(seedOf(content));
    window->LoadTable();
    const HighscoreTable loaded = window->table();
    checkRows(loaded);
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        fuzz::check(window->nameCell(row)->text() == loaded[row - 1].name
                && window->timeCell(row)->text() == loaded[row - 1].time
                && window->dateCell(row)->text() == loaded[row - 1].date,
            "the cells show the table", describe(row, loaded[row - 1]));
    }

    try {
        window->SaveTable();
    } catch (const EIniWriteError &error) {
        fuzz::fail("the work folder takes the file", error.message());
    }
    window->LoadTable();
    for (int row = 1; row <= HighscoreRowCount; ++row) {
        fuzz::check(window->table()[row - 1] == loaded[row - 1], "a saved table loads the same",
            describe(row, loaded[row - 1]) + QStringLiteral(" / ")
                + describe(row, window->table()[row - 1]));
    }
    return 0;
}

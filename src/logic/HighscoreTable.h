#pragma once

// The high score table of one game configuration as plain values: its section name, the
// description line, the sort key of a time, the ranking of a new result, and the stored form
// of an entry in "highscore.ini" (scrambled single bytes).
//
// Entries are single bytes of the Windows-1252 code page, the 8-bit code page the file has
// always used: every character of a name is one byte, so cutting a name to its stored length
// never splits a character, and XOR with a key below 16 keeps every byte in its block of
// sixteen codes. Characters outside Windows-1252 are stored as their base letter when they
// are an accented one ("ł" has none and becomes "?", "ő" becomes "o"), else as "?".

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <optional>
#include <random>

class IniFile;

constexpr int HighscoreRowCount = 10;
// The entry field takes this many characters; the file keeps one less.
constexpr int NameInputLength = 30;
constexpr int StoredNameLength = 29;
constexpr int TimeTextLength = 8; // hh:mm:ss
constexpr int DateTextLength = 10; // dd.mm.yyyy
// Name, time and date at the end of every plain entry.
constexpr int EntryTailLength = StoredNameLength + TimeTextLength + DateTextLength;
constexpr int MinScrambleKey = 2;
constexpr int MaxScrambleKey = 15;

// What a table belongs to: the picture (or number mode), the board size and the shuffle
// duration of the main window.
struct HighscoreConfiguration
{
    bool PictureMode = true;
    QString PictureName;
    int GridSize = 5;
    int ShuffleDuration = 0;
};

// One row of the table. A row is empty when its time is empty.
struct HighscoreEntry
{
    QString name;
    QString time;
    QString date;
    int TimeKey = 0;

    bool isEmpty() const { return time.isEmpty(); }
    bool operator==(const HighscoreEntry &) const = default;
};

// Rows 1 .. 10 at indexes 0 .. 9.
using HighscoreTable = std::array<HighscoreEntry, HighscoreRowCount>;

// "kurze Mischdauer" and the others, by ShuffleDuration 0 .. 4; "" beyond.
QString ShuffleDurationName(int duration);
// Everything after the last "/" (a built-in picture's caption has none and stays whole).
QString PictureFileName(const QString &pictureName);
// The section of a configuration: "aussicht.jpg,5,2", "Text,4,1".
QString TableKey(const HighscoreConfiguration &configuration);
// "aussicht.jpg - 5×5 - kurze Mischdauer", "Text - 4×4 - ...".
QString DescriptionLine(const HighscoreConfiguration &configuration);

// The digits of hh:mm:ss read as one decimal number (01:02:03 gives 10203); 0 for a text
// that is not 8 characters long or has no digit at one of those six places.
int TimeKey(QStringView text);
// "dd.mm.yyyy" whatever the locale.
QString DateText(QDate date);

// Windows-1252 bytes, one per character (see above); control characters become blanks,
// since they have no place in a one-line value.
QByteArray EncodeEntryText(QStringView text);
QString DecodeEntryText(QByteArrayView bytes);
// The name as stored: cut to 29 characters or padded with blanks to 29.
QByteArray PadName(const QString &name);

// The key is 2 .. 15: "A" goes in front and every byte is XORed with the key.
QByteArray ScrambleEntry(QByteArrayView plain, int key);
// A key drawn uniformly from 2 .. 15.
int DrawScrambleKey(std::mt19937 &random);
// The plain text; empty when the value is empty or no key 2 .. 15 turns its first byte
// into "A".
QByteArray UnscrambleEntry(QByteArrayView value);

// Section name, row number, padded name, time and date.
QByteArray PlainEntry(const QString &tableKey, int row, const HighscoreEntry &entry);
// The row a plain text holds; an empty row unless the text belongs to this section (named as
// the file names sections) and row and carries a time that gives a sort key.
HighscoreEntry ParseEntry(QByteArrayView plain, const QString &tableKey, int row);

// "Eintrag1" .. "Eintrag10".
QString EntryKey(int row);
// The ten rows of a section; missing, damaged or foreign values read as empty rows. Values are
// single bytes; those that earlier versions stored as the UTF-8 of each byte's Latin-1
// character read too.
HighscoreTable ReadTable(const IniFile &file, const QString &tableKey);
// Writes all ten keys, each filled row with a new random key, as single bytes.
void WriteTable(
    IniFile &file, const QString &tableKey, const HighscoreTable &table, std::mt19937 &random);

// Ranks a result: rows from its place on move down by one (the last one drops out), and the
// new row takes the time, its key and the date, keeping the name that stood there. Returns
// the row 1 .. 10, or 0 when the time gives no key or is not faster than a full table's
// last row (an equal time ranks below the rows that have it).
int EnterResult(HighscoreTable &table, const QString &timeText, const QString &date);

// Gives the row that a result was entered as (entered, as it was saved) its name; a table
// without that row takes the result anew. Returns the row 1 .. 10, or 0 when it does not rank.
int NameResult(HighscoreTable &table, const HighscoreEntry &entered, const QString &name);

// A change to one table of the high score file.
struct TableUpdate
{
    HighscoreTable table; // as changed: what the file holds now, or would hold
    std::optional<QString> error; // what kept the file from being read or saved
    bool unreadable = false; // the rows changed were not the file's: nothing was saved
};
// Reads the table, changes it and saves it (when change says it changed) while holding the
// file's lock, so that instances sharing the file add their rows to each other's instead of
// saving a stale copy over them.
TableUpdate UpdateTable(const QString &path, const QString &tableKey,
    const std::function<bool(HighscoreTable &)> &change, std::mt19937 &random);

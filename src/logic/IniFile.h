#pragma once

// The INI service behind "tilora.ini" and "highscore.ini".
//
// A file is read once when an IniFile is constructed; writes are kept in memory (reads see
// them) and save() puts them into the file in one step. Construct a new IniFile for every
// load or save, so that each one starts from what is on disk.
//
// Rules of the format:
// - Lines end in LF or CR LF. Lines added to a file use the ending of the file's first line;
//   a new file gets LF, the native ending here.
// - "[name]" starts a section; the name lies between the first "[" and the last "]" of the
//   line, so names may hold "[", "]", commas, dots and blanks. "key=value" is a key line,
//   split at the first "=". A line that starts with ";" is a comment. Everything else (blank
//   lines, text without "=") is kept but means nothing.
// - Section and key names compare without regard to letter case. The first matching section
//   counts, and in it the first matching key; lines before the first section belong to none.
// - Names and values lose surrounding blanks (space, tab, CR, vertical tab, form feed). A value
//   reads as at most MaxValueLength characters.
// - Each name and value is decoded as UTF-8 when it is valid UTF-8, else as Latin-1, so files
//   written by older single-byte programs keep their umlauts. A line is read up to its first
//   NUL byte. Lines this class writes are UTF-8, apart from values written as bytes.
// - Writing a key rewrites only that key's line (left untouched when it already holds the
//   same key spelling and value), or adds the line after the last key of its section, or
//   adds the section at the end of the file after a blank line. Every other byte stays.
//   New keys of a section, and new sections, follow in the order they were first written.
//   Line breaks and NUL characters in names and values are written as blanks, since they
//   would break the line structure. Keys must not contain "=".
//
// Rules of the file:
// - A regular file at the path that neither the player nor root owns reads as empty and gives
//   readError(), like the things below: someone else left it there.
// - A regular file that cannot be read whole (a read error, no permission, more than
//   MaxFileSize bytes) reads as empty and gives readError(); save() never writes over it, since
//   it would drop everything it could not see.
// - A final symbolic link is followed only when the player (or root) owns it and it leads to a
//   regular file of the player's (a dotfile manager's link): that file is read, and saved by
//   replacing it in its own folder, so that the link stays. Any other link, a folder, a device
//   or a pipe at the path reads as empty and gives readError(), and save() never writes there.
// - Temporaries of earlier saves are removed only when StaleTemporarySeconds old: a younger one
//   is another instance's save under way.
// - A saved file keeps the permissions of the one it replaces; a new file gets 0666 less the
//   umask.

#include "logic/Errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <list>
#include <optional>
#include <utility>
#include <vector>

// A settings or high score file that the program could not use.
class EIniFileError : public ETiloraError
{
public:
    using ETiloraError::ETiloraError;
};

// An INI file that exists but could not be read whole.
class EIniReadError : public EIniFileError
{
public:
    explicit EIniReadError(const QString &path);
};

// An INI file that could not be saved.
class EIniWriteError : public EIniFileError
{
public:
    explicit EIniWriteError(const QString &path);
};

// Reads an integer value: decimal with an optional leading minus; "0x" or "0X" followed by
// hexadecimal digits when the text is longer than two characters; "$" followed by
// hexadecimal digits. Surrounding blanks are ignored. Decimal numbers must fit in an int;
// hexadecimal ones may use all 32 bits (0xFFFFFFFF is -1). Anything else gives no value.
std::optional<int> ParseIniInteger(const QString &text);

// Holds the lock of the folder that the file at a path lives in, so that a read, a change and
// a save of another instance of the program never interleave with ours. Instances of one
// process share the lock (a nested one takes it again for free). Without a folder to lock the
// lock is simply not held: the save will say what is wrong.
class IniFileLock
{
public:
    explicit IniFileLock(const QString &path);
    ~IniFileLock();
    IniFileLock(const IniFileLock &) = delete;
    IniFileLock &operator=(const IniFileLock &) = delete;

private:
    QByteArray m_folder;
};

class IniFile
{
public:
    static constexpr qsizetype MaxValueLength = 2047;
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    static constexpr qint64 StaleTemporarySeconds = 10 * 60;

    // How long a file that could not be read stays unwritten: for this object's save(), or
    // for every save of its path until the program ends (a file read at start and written
    // at exit must not get the defaults the program fell back to).
    enum class ReadFailureHolds { ThisObject, WholeRun };

    // Reads the file; a missing or unreadable file reads as empty. Never throws.
    explicit IniFile(const QString &path, ReadFailureHolds holds = ReadFailureHolds::ThisObject);

    // Until a file exists at path, reading it reads oldPath instead, so that the first save
    // there carries the old file's content over (for a copy that failed, on a full disk).
    static void carryOver(const QString &path, const QString &oldPath);

    // Whether two section or key names name the same section or key, by the rules above.
    static bool sameName(QStringView a, QStringView b);

    QString path() const { return m_path; }
    // Whether something existed at the path when the file was read.
    bool existed() const { return m_existed; }
    // Set when something exists at the path but could not be read whole, or is not a file of
    // the player's to use (see above); the caller reports it.
    const std::optional<EIniReadError> &readError() const { return m_readError; }

    // A missing section or key gives the default; an empty value is an empty string.
    QString readString(
        const QString &section, const QString &key, const QString &defaultValue) const;
    // A missing key or a value that is not a number (see ParseIniInteger) gives the default.
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    // True for any non-zero number; a missing key or a value that is no number gives the
    // default.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;
    // The value's bytes as they stand in the file, without surrounding blanks and at most
    // MaxValueLength of them; empty for a missing key.
    QByteArray readBytes(const QString &section, const QString &key) const;

    // These change the copy in memory; save() writes it.
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeBool(const QString &section, const QString &key, bool value);
    // Writes the bytes as they are, for values of a single-byte format.
    void writeBytes(const QString &section, const QString &key, QByteArrayView value);

    // Replaces the file atomically: a temporary file in the same folder ("<name>.XXXXXX") is
    // renamed over it, so a failure leaves the old file as it was. Temporaries of that pattern
    // that an earlier save left behind (killed before the rename) are removed first.
    // Throws EIniReadError when this object could not read the file, EIniWriteError when it
    // cannot be written or would grow past MaxFileSize, which reading refuses. Writes nothing,
    // silently, when the path could not be read earlier under ReadFailureHolds::WholeRun: that
    // error has been reported where it happened.
    void save();

private:
    // One line as byte offsets into the content: the whole line runs from start to end, its
    // line break (if any) from end to next. Name and value are trimmed.
    struct Line
    {
        enum Kind { Other, Section, Key };

        qsizetype start = 0;
        qsizetype end = 0;
        qsizetype next = 0;
        Kind kind = Other;
        qsizetype nameStart = 0;
        qsizetype nameEnd = 0;
        qsizetype valueStart = 0;
        qsizetype valueEnd = 0;
    };
    // A section name looked up in the content, with its keys indexed on first use.
    struct SectionState
    {
        QString name;
        std::optional<Line> header; // the first matching header
        bool indexed = false;
        std::vector<std::pair<quint64, qsizetype>> keys; // folded-name hash, line start; sorted
        Line lastKey; // the last key line, or the header when there is none
    };
    // Writes wait here until save(), so that the content and its index never change.
    struct PendingKey
    {
        QString key; // as written
        QByteArray value; // line-safe bytes
        bool asBytes = false; // an existing line counts as the same only when byte for byte
    };
    struct PendingSection
    {
        QString name;
        std::optional<qsizetype> headerStart; // none for a section that is still to be added
        QList<PendingKey> keys; // in order of writing
    };

    Line lineAt(qsizetype start) const;
    QByteArrayView bytes(qsizetype from, qsizetype to) const;
    SectionState &sectionState(const QString &name) const;
    std::optional<Line> findKey(SectionState &state, const QString &key) const;
    qsizetype pendingIndex(const SectionState &state) const; // -1 when nothing is pending
    // The bytes of a written or read value, trimmed; none for a missing key.
    std::optional<QByteArray> valueBytes(const QString &section, const QString &key) const;
    void writeValue(const QString &section, const QString &key, QByteArray value, bool asBytes);
    QByteArray contentWithWrites() const;

    QString m_path;
    QByteArray m_target; // the file behind the path, where save() writes
    QByteArray m_content;
    QByteArray m_lineEnd;
    qsizetype m_bodyStart = 0; // after a UTF-8 byte order mark
    bool m_existed = false;
    std::optional<EIniReadError> m_readError;
    mutable std::list<SectionState> m_sections; // a list, since references to it are kept
    QList<PendingSection> m_pending;
};

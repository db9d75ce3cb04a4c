#include "logic/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

// The file stays in memory as the bytes that were read and does not change until save():
// lines are found at byte level, only the names that need it and the values returned are
// decoded, and writes wait in a short list. Bytes this class does not understand are thus
// written back exactly as they came. A section's keys are indexed by a hash of their
// case-folded names the first time the section is used, so that even a file of millions of
// lines costs one pass, not one pass per key.

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");

template <typename Char> bool isBlank(Char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin].unicode()))
        ++begin;
    while (end > begin && isBlank(text[end - 1].unicode()))
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// Line breaks and NUL would end the line early and spill the rest into the file as new lines,
// so names and values hold blanks in their place; lookups do the same, so that a name written
// that way is found again.
QString lineSafe(QStringView text)
{
    QString safe = text.toString();
    for (QChar &c : safe) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    return safe;
}

// UTF-8 when valid, Latin-1 otherwise: one stray byte of an old single-byte file must not
// turn its umlauts into replacement characters.
QString decodeField(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// FNV-1a over case-folded code points; names that compare equal without regard to case get
// equal hashes.
constexpr quint64 kHashStart = 14695981039346656037ULL;

quint64 mixedIn(quint64 hash, char32_t c)
{
    return (hash ^ c) * 1099511628211ULL;
}

quint64 foldedHash(QStringView text)
{
    quint64 hash = kHashStart;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        hash = mixedIn(hash, QChar::toCaseFolded(c));
    }
    return hash;
}

quint64 foldedHash(QByteArrayView bytes)
{
    if (!isAscii(bytes))
        return foldedHash(decodeField(bytes));
    quint64 hash = kHashStart;
    for (const char c : bytes)
        hash = mixedIn(hash, c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return hash;
}

bool endsWithBlankLine(const QByteArray &text, qsizetype bodyStart)
{
    // Called when the text ends in a line break: look at the line that it ends.
    const qsizetype lastBreak = text.size() - 1;
    const qsizetype previousBreak = lastBreak > 0 ? text.lastIndexOf('\n', lastBreak - 1) : -1;
    const qsizetype start = std::max(previousBreak + 1, bodyStart);
    return std::all_of(
        text.begin() + start, text.begin() + lastBreak, [](char c) { return isBlank(c); });
}

// A section or key name to look for. Plain ASCII names, the usual case, are compared without
// decoding the lines.
class WantedName
{
public:
    explicit WantedName(const QString &name)
        : m_text(trimmedBlanks(lineSafe(name)).toString())
        , m_ascii(m_text.toUtf8())
        , m_isAscii(isAscii(m_ascii))
    { }

    const QString &text() const { return m_text; }

    bool matches(QByteArrayView bytes) const
    {
        if (m_isAscii && isAscii(bytes)) {
            return bytes.size() == m_ascii.size()
                && qstrnicmp(bytes.data(), bytes.size(), m_ascii.constData(), m_ascii.size()) == 0;
        }
        return decodeField(bytes).compare(m_text, Qt::CaseInsensitive) == 0;
    }

private:
    QString m_text;
    QByteArray m_ascii;
    bool m_isAscii = false;
};

QString cappedValue(const QString &value)
{
    if (value.size() <= IniFile::MaxValueLength)
        return value;
    qsizetype length = IniFile::MaxValueLength;
    if (value.at(length - 1).isHighSurrogate())
        --length; // never keep half a character
    return value.first(length);
}

std::optional<int> parseHexadecimal(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    quint64 number = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'a' && u <= 'f')
            digit = u - 'a' + 10;
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + digit;
        if (number > 0xFFFFFFFFu)
            return std::nullopt;
    }
    // Colours and bit sets use all 32 bits; 0xFFFFFFFF is -1 as the bit pattern says.
    return static_cast<int>(static_cast<quint32>(number));
}

std::optional<int> parseDecimal(QStringView text)
{
    const bool negative = text.startsWith(u'-');
    const QStringView digits = negative ? text.sliced(1) : text;
    if (digits.isEmpty())
        return std::nullopt;
    qint64 number = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        if (u < '0' || u > '9')
            return std::nullopt;
        number = number * 10 + (u - '0');
        if (number > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        number = -number;
    if (number > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(number);
}

// ---- The file layer: POSIX calls, since Qt's files follow links and cannot refuse them.

// A read or write cut short by a signal is tried again.
template <typename Call> auto retried(Call call)
{
    decltype(call()) result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    { }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_fd; }
    // Closes now, so that a late write error (NFS, a full disk) is seen.
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

struct FileRead
{
    enum Result { Missing, NotAFile, Read, Failed };
    Result result = Missing;
    QByteArray content;
};

// The file that a path stands for: the path itself, or the regular file that a link of the
// player's own leads to (dotfile managers keep the settings as a link into a folder of theirs).
// Links owned by someone else (root aside), or leading to anything but a regular file of the
// player's, are refused, as is anything but a regular file at the path itself.
struct FileBehind
{
    QByteArray path;
    bool refused = false;
    bool throughLink = false;
};

FileBehind fileBehind(const QByteArray &path)
{
    FileBehind behind {path};
    for (int links = 0; links <= 8; ++links) {
        struct stat info = {};
        if (::lstat(behind.path.constData(), &info) != 0) {
            // Nothing there yet: a new file is made at the path, never through a link.
            behind.refused = behind.throughLink;
            return behind;
        }
        if (!S_ISLNK(info.st_mode)) {
            behind.refused = !S_ISREG(info.st_mode)
                || (behind.throughLink && info.st_uid != ::geteuid());
            return behind;
        }
        if (info.st_uid != ::geteuid() && info.st_uid != 0)
            break;
        const qsizetype room = qsizetype(info.st_size > 0 ? info.st_size : 4096) + 1;
        QByteArray target(room, Qt::Uninitialized);
        const ssize_t length = ::readlink(behind.path.constData(), target.data(), size_t(room));
        if (length <= 0 || length >= target.size())
            break;
        target.truncate(length);
        if (!target.startsWith('/')) {
            const qsizetype slash = behind.path.lastIndexOf('/');
            if (slash >= 0)
                target.prepend(behind.path.first(slash + 1));
        }
        behind.path = target;
        behind.throughLink = true;
    }
    behind.refused = true;
    return behind;
}

FileRead readRegularFile(const QByteArray &path, qint64 maxSize, bool playersOnly)
{
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {FileRead::Missing, {}};
        return {FileRead::Failed, {}};
    }
    // Nothing but regular files is opened: a device or a pipe holds no settings, and opening
    // some has effects of its own.
    if (!S_ISREG(info.st_mode))
        return {FileRead::NotAFile, {}};
    // No final link and no waiting for a writer, should the path have changed since.
    const Descriptor file(retried([&] {
        return ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    }));
    if (file.get() < 0) {
        if (errno == ENOENT)
            return {FileRead::Missing, {}};
        return {errno == ELOOP ? FileRead::NotAFile : FileRead::Failed, {}};
    }
    if (::fstat(file.get(), &info) != 0)
        return {FileRead::Failed, {}};
    // Anyone who may write into the folder could have left a file there for the player to
    // use: only the player's own (or root's) are read.
    const bool trustedOwner = info.st_uid == ::geteuid() || (!playersOnly && info.st_uid == 0);
    if (!S_ISREG(info.st_mode) || !trustedOwner)
        return {FileRead::NotAFile, {}};
    if (info.st_size > maxSize)
        return {FileRead::Failed, {}};

    FileRead read {FileRead::Read, {}};
    read.content.resize(qsizetype(info.st_size) + 1); // one more, to see a file that grew
    qsizetype length = 0;
    for (;;) {
        if (length == read.content.size()) {
            if (length > maxSize)
                return {FileRead::Failed, {}};
            read.content.resize(std::min<qint64>(2 * length + 4096, maxSize + 1));
        }
        const ssize_t count = retried([&] {
            return ::read(
                file.get(), read.content.data() + length, size_t(read.content.size() - length));
        });
        if (count < 0)
            return {FileRead::Failed, {}};
        if (count == 0)
            break;
        length += count;
    }
    if (length > maxSize)
        return {FileRead::Failed, {}};
    read.content.truncate(length);
    return read;
}

// QSaveFile's pattern, which earlier versions used and this one keeps: six random letters and
// digits. Only suffixes with both small and capital letters count as ours, so that a copy the
// player made ("tilora.ini.backup", "tilora.ini.old123") is never taken for a temporary.
constexpr int TemporarySuffixLength = 6;

bool isTemporaryName(QByteArrayView name, QByteArrayView fileName)
{
    if (name.size() != fileName.size() + 1 + TemporarySuffixLength || !name.startsWith(fileName)
        || name[fileName.size()] != '.') {
        return false;
    }
    const QByteArrayView suffix = name.last(TemporarySuffixLength);
    const auto small = [](char c) { return c >= 'a' && c <= 'z'; };
    const auto capital = [](char c) { return c >= 'A' && c <= 'Z'; };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return std::all_of(suffix.begin(), suffix.end(),
                       [&](char c) { return small(c) || capital(c) || digit(c); })
           && std::any_of(suffix.begin(), suffix.end(), small)
           && std::any_of(suffix.begin(), suffix.end(), capital);
}

// A save killed between writing and renaming leaves a whole copy of the file beside it; the
// next save takes it away. Only regular files of ours: anything else under such a name is not
// a temporary of this program. And only old ones: a young one is another instance's save
// still under way (slowed in fsync on a busy disk, say), whose rename would fail without it.
void removeStaleTemporaries(const QByteArray &folder, const QByteArray &fileName)
{
    DIR *directory = ::opendir(folder.constData());
    if (!directory)
        return;
    const int folderFd = ::dirfd(directory);
    const time_t now = ::time(nullptr);
    while (const dirent *entry = ::readdir(directory)) {
        const QByteArrayView name(entry->d_name);
        struct stat info = {};
        if (isTemporaryName(name, fileName)
            && ::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && now - info.st_mtime > IniFile::StaleTemporarySeconds) {
            ::unlinkat(folderFd, entry->d_name, 0);
        }
    }
    ::closedir(directory);
}

// Writes the text to a new temporary file beside the path and renames it over the path.
bool replaceFile(const QByteArray &path, const QByteArray &text)
{
    struct stat old = {};
    std::optional<mode_t> mode;
    if (::lstat(path.constData(), &old) == 0) {
        if (!S_ISREG(old.st_mode))
            return false; // a link, a folder, a device: not ours to replace
        mode = old.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".")
        : slash == 0                    ? QByteArray("/")
                                        : path.first(slash);
    const QByteArray fileName = path.sliced(slash + 1);
    removeStaleTemporaries(folder, fileName);

    static constexpr char Letters[]
        = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + '.';
        // A small and a capital letter first, so that the next save knows it for ours.
        temporary += Letters[QRandomGenerator::global()->bounded(26)];
        temporary += Letters[26 + QRandomGenerator::global()->bounded(26)];
        for (int i = 2; i < TemporarySuffixLength; ++i)
            temporary += Letters[QRandomGenerator::global()->bounded(int(sizeof Letters) - 1)];
        // 0666 less the umask for a new file, as any other program would create it.
        fd = retried([&] {
            return ::open(
                temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        });
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    Descriptor file(fd);
    bool written = true;
    for (qsizetype done = 0; written && done < text.size();) {
        const ssize_t count = retried([&] {
            return ::write(file.get(), text.constData() + done, size_t(text.size() - done));
        });
        written = count > 0;
        done += std::max<ssize_t>(count, 0);
    }
    // A file that is replaced keeps its permissions; a new one has what the umask left.
    written = written && (!mode || ::fchmod(file.get(), *mode) == 0);
    // On disk before the rename, so that a crash never leaves an empty file in its place.
    written = written && ::fsync(file.get()) == 0;
    written = file.close() && written;
    if (!written || ::rename(temporary.constData(), path.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

// Paths read under ReadFailureHolds::WholeRun that could not be read.
QSet<QString> &heldPaths()
{
    static QSet<QString> paths;
    return paths;
}

QMutex &heldPathsLock()
{
    static QMutex lock;
    return lock;
}

QString heldPathKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

// Files whose content is read from an older place until they are first saved.
QHash<QString, QString> &carriedOver()
{
    static QHash<QString, QString> files;
    return files;
}

} // namespace

namespace {

// The folders this process holds locked, with how many locks hold each.
struct HeldFolder
{
    int fd = -1;
    int count = 0;
};

QHash<QByteArray, HeldFolder> &heldFolders()
{
    static QHash<QByteArray, HeldFolder> folders;
    return folders;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.first(slash);
}

} // namespace

// The folder, not the file: a save renames a new file over the old one, so a lock on the file
// would be on a file that is no longer there, and a missing file has nothing to lock.
IniFileLock::IniFileLock(const QString &path)
    : m_folder(folderOf(fileBehind(QFile::encodeName(path)).path))
{
    const QMutexLocker locker(&heldPathsLock());
    HeldFolder &held = heldFolders()[m_folder];
    if (held.count++ > 0)
        return;
    held.fd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (held.fd >= 0 && retried([&] { return ::flock(held.fd, LOCK_EX); }) != 0) {
        ::close(held.fd);
        held.fd = -1;
    }
}

IniFileLock::~IniFileLock()
{
    const QMutexLocker locker(&heldPathsLock());
    HeldFolder &held = heldFolders()[m_folder];
    if (--held.count > 0)
        return;
    if (held.fd >= 0)
        ::close(held.fd); // and with it the lock
    heldFolders().remove(m_folder);
}

bool IniFile::sameName(QStringView a, QStringView b)
{
    return trimmedBlanks(lineSafe(a)).compare(trimmedBlanks(lineSafe(b)), Qt::CaseInsensitive) == 0;
}

void IniFile::carryOver(const QString &path, const QString &oldPath)
{
    const QMutexLocker locker(&heldPathsLock());
    carriedOver().insert(heldPathKey(path), oldPath);
}

EIniReadError::EIniReadError(const QString &path)
    : EIniFileError(QStringLiteral("%1 kann nicht gelesen werden").arg(path))
{ }

EIniWriteError::EIniWriteError(const QString &path)
    : EIniFileError(QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path))
{ }

std::optional<int> ParseIniInteger(const QString &text)
{
    const QStringView value = trimmedBlanks(text);
    if (value.startsWith(u'$'))
        return parseHexadecimal(value.sliced(1));
    if (value.size() > 2 && (value.startsWith(u"0x") || value.startsWith(u"0X")))
        return parseHexadecimal(value.sliced(2));
    return parseDecimal(value);
}

IniFile::IniFile(const QString &path, ReadFailureHolds holds)
    : m_path(path)
{
    const FileBehind behind = fileBehind(QFile::encodeName(path));
    m_target = behind.path;
    FileRead read = behind.refused
        ? FileRead {FileRead::NotAFile, {}}
        : readRegularFile(m_target, MaxFileSize, behind.throughLink);
    if (read.result == FileRead::Missing) {
        QString old;
        {
            const QMutexLocker locker(&heldPathsLock());
            old = carriedOver().value(heldPathKey(path));
        }
        if (!old.isEmpty())
            read = readRegularFile(QFile::encodeName(old), MaxFileSize, false);
        if (read.result != FileRead::Read)
            read = {FileRead::Missing, {}};
    }
    // Something may be there that could not be looked at.
    m_existed = read.result != FileRead::Missing;
    // What is not a file of ours is not written either: said once, when it is read.
    if (read.result == FileRead::Failed || read.result == FileRead::NotAFile) {
        m_readError.emplace(path);
        if (holds == ReadFailureHolds::WholeRun) {
            const QMutexLocker locker(&heldPathsLock());
            heldPaths().insert(heldPathKey(path));
        }
    }
    m_content = std::move(read.content);
    if (m_content.startsWith(kByteOrderMark))
        m_bodyStart = kByteOrderMark.size();
    const qsizetype firstBreak = m_content.indexOf('\n');
    const bool crLf = firstBreak > 0 && m_content.at(firstBreak - 1) == '\r';
    m_lineEnd = crLf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

IniFile::Line IniFile::lineAt(qsizetype start) const
{
    const char *data = m_content.constData();
    Line line;
    line.start = start;
    const qsizetype lineFeed = m_content.indexOf('\n', start);
    line.end = lineFeed < 0 ? m_content.size() : lineFeed;
    line.next = lineFeed < 0 ? m_content.size() : lineFeed + 1;
    if (lineFeed >= 0 && line.end > start && data[line.end - 1] == '\r')
        --line.end;

    const QByteArrayView whole(data + start, line.end - start);
    const qsizetype nul = whole.indexOf('\0');
    qsizetype first = start;
    const qsizetype last = nul < 0 ? line.end : start + nul;
    while (first < last && isBlank(data[first]))
        ++first;
    if (first == last || data[first] == ';')
        return line;

    const QByteArrayView text(data + first, last - first);
    const auto trimmed = [data](qsizetype &from, qsizetype &to) {
        while (from < to && isBlank(data[from]))
            ++from;
        while (to > from && isBlank(data[to - 1]))
            --to;
    };
    if (data[first] == '[') {
        const qsizetype close = text.lastIndexOf(']');
        if (close < 0)
            return line;
        line.kind = Line::Section;
        line.nameStart = first + 1;
        line.nameEnd = first + close;
        trimmed(line.nameStart, line.nameEnd);
        return line;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return line;
    line.kind = Line::Key;
    line.nameStart = first;
    line.nameEnd = first + equals;
    line.valueStart = first + equals + 1;
    line.valueEnd = last;
    trimmed(line.nameStart, line.nameEnd);
    trimmed(line.valueStart, line.valueEnd);
    return line;
}

QByteArrayView IniFile::bytes(qsizetype from, qsizetype to) const
{
    return QByteArrayView(m_content.constData() + from, to - from);
}

IniFile::SectionState &IniFile::sectionState(const QString &name) const
{
    const WantedName wanted(name);
    for (SectionState &state : m_sections) {
        if (state.name == wanted.text())
            return state;
    }
    SectionState &state = m_sections.emplace_back();
    state.name = wanted.text();
    for (qsizetype position = m_bodyStart; position < m_content.size();) {
        const Line line = lineAt(position);
        if (line.kind == Line::Section && wanted.matches(bytes(line.nameStart, line.nameEnd))) {
            state.header = line;
            break;
        }
        position = line.next;
    }
    return state;
}

std::optional<IniFile::Line> IniFile::findKey(SectionState &state, const QString &key) const
{
    if (!state.header)
        return std::nullopt;
    if (!state.indexed) {
        state.lastKey = *state.header;
        for (qsizetype position = state.header->next; position < m_content.size();) {
            const Line line = lineAt(position);
            if (line.kind == Line::Section)
                break;
            if (line.kind == Line::Key) {
                state.keys.emplace_back(
                    foldedHash(bytes(line.nameStart, line.nameEnd)), line.start);
                state.lastKey = line;
            }
            position = line.next;
        }
        // By hash, and lines of equal hash in file order, so the first match is the first line.
        std::sort(state.keys.begin(), state.keys.end());
        state.indexed = true;
    }
    const WantedName wanted(key);
    const quint64 hash = foldedHash(wanted.text());
    auto entry = std::lower_bound(
        state.keys.begin(), state.keys.end(), std::pair<quint64, qsizetype>(hash, 0));
    for (; entry != state.keys.end() && entry->first == hash; ++entry) {
        const Line line = lineAt(entry->second);
        if (wanted.matches(bytes(line.nameStart, line.nameEnd)))
            return line;
    }
    return std::nullopt;
}

qsizetype IniFile::pendingIndex(const SectionState &state) const
{
    for (qsizetype i = 0; i < m_pending.size(); ++i) {
        const PendingSection &pending = m_pending.at(i);
        const bool same = state.header
            ? pending.headerStart == state.header->start
            : !pending.headerStart && pending.name.compare(state.name, Qt::CaseInsensitive) == 0;
        if (same)
            return i;
    }
    return -1;
}

std::optional<QByteArray> IniFile::valueBytes(const QString &section, const QString &key) const
{
    SectionState &state = sectionState(section);
    if (const qsizetype pending = pendingIndex(state); pending >= 0) {
        const QString keyName = trimmedBlanks(lineSafe(key)).toString();
        for (const PendingKey &entry : m_pending.at(pending).keys) {
            if (entry.key.compare(keyName, Qt::CaseInsensitive) == 0)
                return trimmedBlanks(entry.value).toByteArray();
        }
    }
    const std::optional<Line> line = findKey(state, key);
    if (!line)
        return std::nullopt;
    return bytes(line->valueStart, line->valueEnd).toByteArray();
}

QString IniFile::readString(
    const QString &section, const QString &key, const QString &defaultValue) const
{
    const std::optional<QByteArray> value = valueBytes(section, key);
    return value ? cappedValue(decodeField(*value)) : defaultValue;
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    const QString text = readString(section, key, QString());
    return ParseIniInteger(text).value_or(defaultValue);
}

bool IniFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    const std::optional<int> number = ParseIniInteger(readString(section, key, QString()));
    return number ? *number != 0 : defaultValue;
}

QByteArray IniFile::readBytes(const QString &section, const QString &key) const
{
    QByteArray value = valueBytes(section, key).value_or(QByteArray());
    value.truncate(MaxValueLength);
    return value;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    writeValue(section, key, lineSafe(value).toUtf8(), false);
}

void IniFile::writeBytes(const QString &section, const QString &key, QByteArrayView value)
{
    QByteArray safe = value.toByteArray();
    std::replace_if(
        safe.begin(), safe.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    writeValue(section, key, safe, true);
}

void IniFile::writeValue(const QString &section, const QString &key, QByteArray value, bool asBytes)
{
    const SectionState &state = sectionState(section);
    qsizetype index = pendingIndex(state);
    if (index < 0) {
        index = m_pending.size();
        m_pending.append({state.name, {}, {}});
        if (state.header)
            m_pending.last().headerStart = state.header->start;
    }
    PendingSection &pending = m_pending[index];
    const QString keyName = trimmedBlanks(lineSafe(key)).toString();
    for (PendingKey &entry : pending.keys) {
        if (entry.key.compare(keyName, Qt::CaseInsensitive) == 0) {
            entry = {keyName, std::move(value), asBytes};
            return;
        }
    }
    pending.keys.append({keyName, std::move(value), asBytes});
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QByteArray IniFile::contentWithWrites() const
{
    struct Edit
    {
        qsizetype position;
        qsizetype removed;
        QByteArray text;
    };
    std::vector<Edit> edits;
    for (const PendingSection &pending : m_pending) {
        if (!pending.headerStart)
            continue;
        SectionState &state = sectionState(pending.name);
        QByteArray added;
        for (const auto &[key, value, asBytes] : pending.keys) {
            const QByteArray keyLine = key.toUtf8() + '=' + value;
            const std::optional<Line> line = findKey(state, key);
            if (!line) {
                added += keyLine + m_lineEnd;
                continue;
            }
            // A line that already says the same stays as the user formatted it.
            const QByteArrayView oldValue = bytes(line->valueStart, line->valueEnd);
            const bool sameValue
                = asBytes ? oldValue == value : decodeField(oldValue) == decodeField(value);
            if (decodeField(bytes(line->nameStart, line->nameEnd)) != key || !sameValue)
                edits.push_back({line->start, line->end - line->start, keyLine});
        }
        if (!added.isEmpty()) {
            const Line &last = state.lastKey;
            // The last line of a file without a final line break gets one first.
            edits.push_back({last.next, 0, last.next == last.end ? m_lineEnd + added : added});
        }
    }
    std::sort(edits.begin(), edits.end(),
        [](const Edit &a, const Edit &b) { return a.position < b.position; });

    QByteArray text;
    text.reserve(m_content.size() + 1024);
    qsizetype copied = 0;
    for (const Edit &edit : edits) {
        text += bytes(copied, edit.position);
        text += edit.text;
        copied = edit.position + edit.removed;
    }
    text += bytes(copied, m_content.size());

    for (const PendingSection &pending : m_pending) {
        if (pending.headerStart)
            continue;
        if (text.size() > m_bodyStart) {
            if (!text.endsWith('\n'))
                text += m_lineEnd;
            if (!endsWithBlankLine(text, m_bodyStart))
                text += m_lineEnd;
        }
        text += '[' + pending.name.toUtf8() + ']' + m_lineEnd;
        for (const auto &[key, value, asBytes] : pending.keys)
            text += key.toUtf8() + '=' + value + m_lineEnd;
    }
    return text;
}

void IniFile::save()
{
    {
        const QMutexLocker locker(&heldPathsLock());
        if (heldPaths().contains(heldPathKey(m_path)))
            return;
    }
    if (m_readError)
        throw *m_readError;
    const QByteArray text = contentWithWrites();
    // A file that its own next read would refuse is not written: the old one stays.
    if (text.size() > MaxFileSize || !replaceFile(m_target, text))
        throw EIniWriteError(m_path);
    m_content = text;
    m_sections.clear();
    m_pending.clear();
}

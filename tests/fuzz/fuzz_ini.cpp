// The INI service: the input is the content of a settings file. Every section and key the
// file names is read; the values are written back unchanged, one of them changed and one new
// key added, and the saved file read again: it must give the very same values, and the
// changed and new ones as written.

#include "FuzzSupport.h"

#include "logic/IniFile.h"

#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>

#include <utility>

namespace {

struct Name
{
    QString section;
    QString key;
};

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f';
}

QString decoded(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decoder(bytes);
    return decoder.hasError() ? QString::fromLatin1(bytes) : text;
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(char16_t(text.front())))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(char16_t(text.back())))
        text.chop(1);
    return text;
}

// The names as a reader of the file would see them: "[section]" lines and "key=value" lines
// below them. A simple reading of its own, so that it does not share the service's faults.
QList<Name> namesIn(QByteArrayView content)
{
    QList<Name> names;
    QString section;
    bool inSection = false;
    QByteArrayView rest = content;
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    while (!rest.isEmpty() && names.size() < 64) {
        const qsizetype end = rest.indexOf('\n');
        QByteArrayView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        if (const qsizetype nul = line.indexOf('\0'); nul >= 0)
            line = line.first(nul);
        line = trimmedBlanks(line);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            if (const qsizetype close = line.lastIndexOf(']'); close > 0) {
                section = decoded(trimmedBlanks(line.sliced(1, close - 1)));
                inSection = true;
            }
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals >= 0 && inSection)
            names.append({section, decoded(trimmedBlanks(line.first(equals)))});
    }
    return names;
}

// What reading gives back for a written value: line breaks and NUL as blanks, no blanks
// around it, at most MaxValueLength characters.
QString readBack(const QString &written)
{
    QString safe = written;
    for (QChar &c : safe) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            c = u' ';
    }
    static const QRegularExpression outerBlanks(QStringLiteral("^[ \t\r\v\f]+|[ \t\r\v\f]+$"));
    safe.remove(outerBlanks);
    if (safe.size() > IniFile::MaxValueLength) {
        qsizetype length = IniFile::MaxValueLength;
        if (safe.at(length - 1).isHighSurrogate())
            --length;
        safe.truncate(length);
    }
    return safe;
}

QString describe(const Name &name, const QString &expected, const QString &actual)
{
    return QStringLiteral("[%1] %2: expected \"%3\", read \"%4\"")
        .arg(name.section, name.key, expected, actual);
}

// No value can hold a NUL, since a line ends at its first one: this default is never a value.
const QString Missing(1, QChar(u'\0'));

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView content(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString path = fuzz::workFolder() + QStringLiteral("/tilora.ini");
    fuzz::writeFile(path, content);

    const QList<Name> names = namesIn(content);
    QList<QString> values;
    {
        const IniFile file(path);
        for (const Name &name : names) {
            const QString value = file.readString(name.section, name.key, Missing);
            values.append(value);
            if (value == Missing)
                continue;
            fuzz::check(!value.contains(QChar(u'\0')), "values hold no NUL");
            fuzz::check(value.size() <= IniFile::MaxValueLength, "values are capped");
            const std::optional<int> number = ParseIniInteger(value);
            fuzz::check(file.readInteger(name.section, name.key, 12345) == number.value_or(12345),
                "readInteger parses what readString gives", value);
        }
    }

    // The changed value and the new key come from the input too, so that odd characters get
    // written as well.
    const QString changed = decoded(content.first(std::min<qsizetype>(content.size(), 40)));
    qsizetype changedIndex = -1;
    QList<QString> expected = values;
    {
        IniFile file(path);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (values[i] != Missing)
                file.writeString(names[i].section, names[i].key, values[i]);
        }
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (values[i] != Missing && i % 3 == qsizetype(size % 3)) {
                changedIndex = i;
                break;
            }
        }
        if (changedIndex >= 0) {
            const Name &name = names[changedIndex];
            file.writeString(name.section, name.key, changed);
            // Every name that means the same key now reads the new value.
            for (qsizetype i = 0; i < names.size(); ++i) {
                if (values[i] != Missing
                    && names[i].section.compare(name.section, Qt::CaseInsensitive) == 0
                    && names[i].key.compare(name.key, Qt::CaseInsensitive) == 0) {
                    expected[i] = readBack(changed);
                }
            }
        }
        file.writeString(QStringLiteral("Fuzz Neu"), QStringLiteral("Schluessel"), changed);
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (values[i] != Missing
                && names[i].section.compare(u"fuzz neu", Qt::CaseInsensitive) == 0
                && names[i].key.compare(u"schluessel", Qt::CaseInsensitive) == 0) {
                expected[i] = readBack(changed);
            }
        }
        try {
            file.save();
        } catch (const EIniWriteError &error) {
            fuzz::fail("the work folder takes the file", error.message());
        }
    }

    const IniFile file(path);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (values[i] == Missing)
            continue;
        const QString value = file.readString(names[i].section, names[i].key, Missing);
        // A value written back as it was may have held a lone CR, which comes back a blank.
        fuzz::check(value == expected[i] || value == readBack(expected[i]),
            "a value written back reads the same", describe(names[i], expected[i], value));
    }
    const QString added
        = file.readString(QStringLiteral("fuzz neu"), QStringLiteral("SCHLUESSEL"), Missing);
    fuzz::check(added == readBack(changed), "a new key reads as written",
        describe({QStringLiteral("Fuzz Neu"), QStringLiteral("Schluessel")}, changed, added));
    return 0;
}

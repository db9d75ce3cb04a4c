#pragma once

// High score values as the file should hold them, built here independently of the program,
// and tables written as short strings.

#include "logic/HighscoreTable.h"

#include <QByteArray>
#include <QStringList>

// "A" in front, each byte XOR key.
inline QByteArray scrambledByHand(const QByteArray &plain, int key)
{
    QByteArray value = 'A' + plain;
    for (char &c : value)
        c = char(c ^ key);
    return value;
}

inline QByteArray lineByHand(int row, const QByteArray &plain, int key = 3)
{
    return "Eintrag" + QByteArray::number(row) + '=' + scrambledByHand(plain, key);
}

// Rows filled in order from comma-separated times; names "P1", "P2", ...
inline HighscoreTable tableOf(const QString &times)
{
    HighscoreTable table;
    const QStringList list = times.split(u',', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < list.size(); ++i)
        table[i] = {QStringLiteral("P%1").arg(i + 1), list[i], QStringLiteral("01.01.2024"),
                    TimeKey(list[i])};
    return table;
}

// "P1 00:01:00,P2 00:02:00": the filled rows' names and times.
inline QString namesAndTimes(const HighscoreTable &table)
{
    QStringList rows;
    for (const HighscoreEntry &entry : table) {
        if (!entry.isEmpty())
            rows << entry.name.trimmed() + u' ' + entry.time;
    }
    return rows.join(u',');
}

#pragma once

// The settings of "tilora.ini" as a plain value: read once when the main window is created,
// edited by the menus and the settings dialog, written once when the window closes.

#include <QColor>
#include <QFont>
#include <QString>

#include <optional>

class IniFile;

struct Settings
{
    QString pictureName = QStringLiteral("aussicht.jpg");
    bool pictureMode = true;
    int animationSpeed = 2;   // 0 none, 1 slow, 2 fast
    bool transparent = true;
    int gridSize = 5;
    int zoomFactor = 4;       // 2 .. 10
    int tileSize = 50;        // as the player chose it, whatever the screen allows
    bool tileFrames = true;
    bool solutionView = false;
    QColor tileColor{0x80, 0x80, 0x80};
    QColor boardColor{Qt::white};
    int fontColorValue = 0;   // 0x00BBGGRR as stored; any value is kept as it is
    bool showShuffle = false; // read, never written
    int shuffleDuration = 2;  // 0 the player decides, 1 .. 4 fixed lengths
    QString fontFamily = QStringLiteral("Arial");
    int fontPoints = 9;
    int fontStyle = 1;        // bit set: 1 bold, 2 italic, 4 underline, 8 strike-out

    // Whether the file existed when it was read.
    bool fileExisted = false;

    // Every key with its default, range and reading rule.
    static Settings read(const IniFile &ini);
    // Every key in the file's order, in place of the old values; other keys and sections stay.
    void write(IniFile &ini) const;
    // The file itself: read once at the start, where a read error is given back in *problem
    // (the file is then not written over in this run); written once at the end, under the
    // lock of its folder, giving back why it could not be.
    static Settings readFile(const QString &path, QString *problem);
    std::optional<QString> writeFile(const QString &path) const;

    // The board font: family, size in points and style bits.
    QFont boardFont() const;
    void setBoardFont(const QFont &font);

    QColor fontColor() const { return colorFromValue(fontColorValue); }
    void setFontColor(const QColor &color);

    static QColor colorFromValue(int value);
    static int valueOfColor(const QColor &color);

    bool operator==(const Settings &other) const = default;
};

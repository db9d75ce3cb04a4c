#include "logic/Settings.h"

#include "logic/BoardLogic.h"
#include "logic/IniFile.h"
#include <algorithm>

namespace {

const QString Section = QStringLiteral("Allgemein");

} // namespace

QColor Settings::colorFromValue(int value)
{
    // Colours are stored as 0x00BBGGRR: red in the low byte.
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int Settings::valueOfColor(const QColor &color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

void Settings::setFontColor(const QColor &color)
{
    // A colour left as it was keeps the stored value, whatever its high byte holds.
    if (color != fontColor())
        fontColorValue = valueOfColor(color);
}

QFont Settings::boardFont() const
{
    QFont font(fontFamily);
    font.setPointSize(fontPoints);
    font.setBold(fontStyle & 1);
    font.setItalic(fontStyle & 2);
    font.setUnderline(fontStyle & 4);
    font.setStrikeOut(fontStyle & 8);
    return font;
}

void Settings::setBoardFont(const QFont &font)
{
    fontFamily = font.family();
    if (font.pointSize() > 0)
        fontPoints = font.pointSize();
    fontStyle = (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) | (font.underline() ? 4 : 0)
                | (font.strikeOut() ? 8 : 0);
}

Settings Settings::read(const IniFile &ini)
{
    auto integer = [&ini](const char *key, int defaultValue) {
        return ini.readInteger(Section, QLatin1String(key), defaultValue);
    };
    auto boolean = [&ini](const char *key, bool defaultValue) {
        return ini.readBool(Section, QLatin1String(key), defaultValue);
    };

    Settings settings;
    settings.fileExisted = ini.existed();
    settings.pictureName
        = ini.readString(Section, QStringLiteral("Bild"), QStringLiteral("aussicht.jpg"));
    settings.pictureMode = boolean("BildModus", true);
    settings.animationSpeed = std::clamp(integer("Animation", 2), 0, 2);
    settings.transparent = boolean("Transparenz", true);
    settings.gridSize = std::clamp(integer("Groesse", 5), MinGridSize, MaxGridSize);
    settings.zoomFactor = std::clamp(integer("Zoom", 4), MinZoomFactor, MaxZoomFactor);
    settings.tileSize = std::clamp(integer("Steingroesse", 50), MinTileSize, MaxTileSize);
    settings.tileFrames = boolean("SteinRahmen", true);
    settings.solutionView = boolean("Vorschau", false);
    settings.tileColor = colorFromValue(std::clamp(integer("SteinFarbe", 0x808080), 0, 0xFFFFFF));
    settings.boardColor = colorFromValue(std::clamp(integer("BrettFarbe", 0xFFFFFF), 0, 0xFFFFFF));
    settings.showShuffle = boolean("ZeigeMischen", false);
    settings.shuffleDuration = std::clamp(integer("Mischdauer", 2), 0, 4);
    settings.fontFamily
        = ini.readString(Section, QStringLiteral("SteinTextFont"), QStringLiteral("Arial"));
    // Only sizes a font can have are applied; any other leaves the board font's 9 points.
    const int points = integer("SteinTextGroesse", 9);
    if (points > 0 && points <= 1000)
        settings.fontPoints = points;
    settings.fontColorValue = integer("SteinTextFarbe", 0);
    // A style outside the bit set leaves the board font as it was: bold.
    const int style = integer("SteinTextStyle", 1);
    if (style >= 0 && style <= 15)
        settings.fontStyle = style;
    return settings;
}

void Settings::write(IniFile &ini) const
{
    ini.writeInteger(Section, QStringLiteral("Groesse"), gridSize);
    ini.writeInteger(Section, QStringLiteral("SteinGroesse"), tileSize);
    ini.writeBool(Section, QStringLiteral("Vorschau"), solutionView);
    ini.writeString(Section, QStringLiteral("Bild"), pictureName);
    ini.writeBool(Section, QStringLiteral("BildModus"), pictureMode);
    ini.writeInteger(Section, QStringLiteral("Animation"), animationSpeed);
    ini.writeBool(Section, QStringLiteral("Steinrahmen"), tileFrames);
    ini.writeBool(Section, QStringLiteral("Transparenz"), transparent);
    ini.writeInteger(Section, QStringLiteral("Mischdauer"), shuffleDuration);
    ini.writeInteger(Section, QStringLiteral("Zoom"), zoomFactor);
    ini.writeInteger(Section, QStringLiteral("Steinfarbe"), valueOfColor(tileColor));
    ini.writeInteger(Section, QStringLiteral("Brettfarbe"), valueOfColor(boardColor));
    ini.writeString(Section, QStringLiteral("SteinTextFont"), fontFamily);
    ini.writeInteger(Section, QStringLiteral("SteinTextGroesse"), fontPoints);
    ini.writeInteger(Section, QStringLiteral("SteinTextFarbe"), fontColorValue);
    ini.writeInteger(Section, QStringLiteral("SteinTextStyle"), fontStyle);
}

Settings Settings::readFile(const QString &path, QString *problem)
{
    const IniFile ini(path, IniFile::ReadFailureHolds::WholeRun);
    if (ini.readError() && problem)
        *problem = ini.readError()->message();
    return read(ini);
}

std::optional<QString> Settings::writeFile(const QString &path) const
{
    // Another instance's save, between our read and our write, would be lost.
    const IniFileLock lock(path);
    IniFile ini(path);
    write(ini);
    try {
        ini.save();
    } catch (const EIniFileError &error) {
        return error.message();
    }
    return std::nullopt;
}

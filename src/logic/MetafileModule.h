#pragma once

// Metafiles are drawn by a module of our own that holds the metafile libraries and the SVG
// renderer. The program loads it when the first metafile is decoded, so that a start with any
// other picture maps none of them.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <cmath>

enum class MetafileKind { Wmf, Emf };

// What the module offers; its one exported function, MetafileModuleEntry, returns it.
// How a drawing went: drawn, not readable by the library, or stopped at MaxMetafileSeconds of
// processor time or MaxMetafileLibraryBytes of memory.
enum class MetafileDrawing { Drawn, Unreadable, TooCostly };

struct MetafileModule
{
    int version;
    // An EMF as the SVG document libemf2svg makes of it; false when the library cannot read it.
    bool (*emfToSvg)(QByteArrayView emf, QByteArray *svg);
    // An SVG document stretched over a white picture of that size (RGB32).
    MetafileDrawing (*renderSvg)(const QByteArray &svg, QSize size, QImage *picture);
    // A WMF played by libwmf onto a white picture of MetafilePictureSize (RGB32).
    MetafileDrawing (*drawWmf)(QByteArrayView wmf, QSize board, QImage *picture);
};

constexpr int MetafileModuleVersion = 3;
#define TILORA_METAFILE_MODULE_ENTRY "tiloraMetafileModule"
using MetafileModuleEntry = const MetafileModule *(*)();

// The module: loaded from the program's own folder at the first call, or the one given to
// UseMetafileModule. None when it cannot be loaded; metafiles then give no picture.
const MetafileModule *LoadedMetafileModule();
// Tests, benchmarks and fuzz targets link the module's code and hand it over here.
void UseMetafileModule(const MetafileModule *module);
// The module's file, relative to the program's folder, as the build and the install rules
// place it: in a folder of its own, so that no package tool takes it for a library of the
// system's that wants ldconfig.
constexpr const char *MetafileModuleFileName = "modules/libtilora-metafiles.so";

// The size a metafile is drawn at for a board: its own shape, just covering the board, as a
// photograph is decoded; a shape far from the board's (more than twice its area) is stretched
// to the board instead. Without a board, its own size within 2048 pixels a side. Both sides
// of the module use it, so it is defined here.
inline QSize MetafilePictureSize(QSizeF natural, QSize board)
{
    constexpr qreal LongestSide = 2048;
    if (!(natural.width() >= 1 && natural.height() >= 1 && std::isfinite(natural.width())
            && std::isfinite(natural.height()))) // NaN and infinity too
        natural = QSizeF(LongestSide, LongestSide);
    if (board.isEmpty()) {
        if (natural.width() > LongestSide || natural.height() > LongestSide)
            natural = natural.scaled(LongestSide, LongestSide, Qt::KeepAspectRatio);
        return natural.toSize().expandedTo(QSize(1, 1));
    }
    const QSizeF covering = natural.scaled(QSizeF(board), Qt::KeepAspectRatioByExpanding);
    if (covering.width() * covering.height() > 2.0 * board.width() * board.height())
        return board;
    return covering.toSize().expandedTo(board);
}

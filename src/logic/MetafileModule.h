#pragma once

// Metafiles are drawn by a module of our own that holds the metafile libraries and the SVG
// renderer. The program loads it when the first metafile is decoded, so that a start with any
// other picture maps none of them.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

enum class MetafileKind { Wmf, Emf };

// What the module offers; its one exported function, MetafileModuleEntry, returns it.
struct MetafileModule
{
    int version;
    // The metafile as an SVG document; false when the library cannot read it or it costs more
    // than MaxMetafileSeconds of processor time or MaxMetafileLibraryBytes of memory (where the
    // library lets that be watched).
    bool (*toSvg)(QByteArrayView metafile, MetafileKind kind, QByteArray *svg);
    // The SVG document stretched over a white picture of that size (RGB32); false when it gives
    // none.
    bool (*render)(const QByteArray &svg, QSize size, QImage *picture);
};

constexpr int MetafileModuleVersion = 1;
#define TILORA_METAFILE_MODULE_ENTRY "tiloraMetafileModule"
using MetafileModuleEntry = const MetafileModule *(*)();

// The module: loaded from the program's own folder at the first call, or the one given to
// UseMetafileModule. None when it cannot be loaded; metafiles then give no picture.
const MetafileModule *LoadedMetafileModule();
// Tests, benchmarks and fuzz targets link the module's code and hand it over here.
void UseMetafileModule(const MetafileModule *module);
// The module's file name, as the build and the install rules place it beside the program.
constexpr const char *MetafileModuleFileName = "libtilora-metafiles.so";

// The size a metafile is drawn at for a board: its own shape, just covering the board, as a
// photograph is decoded; a shape far from the board's (more than twice its area) is stretched
// to the board instead. Without a board, its own size within 2048 pixels a side.
QSize MetafilePictureSize(QSizeF natural, QSize board);

#pragma once

// What a picture file would cost the toolkit's readers, found out before any of them sees it.
// The readers themselves have no limits on work: libpng inflates every byte of a stream, the
// GIF reader expands every code, libtiff decodes every strip. Each check walks the file's
// structure and its compressed data without producing pixels, and refuses what would cost more
// than any honest picture of the size the file claims.

#include <QByteArrayView>

#include <optional>

// libpng holds two rows of this many bytes at most.
constexpr qint64 MaxPngRowBytes = 16LL * 1024 * 1024;
// Compressed text and colour profiles of a PNG may inflate to no more than this altogether;
// libpng inflates each of them twice (once to measure it).
constexpr qint64 MaxPngTextBytes = 8LL * 1024 * 1024;
// The bytes a TIFF's strips or tiles decode to, padding included, altogether and one at a time
// (libtiff holds one whole strip in memory beside the picture).
constexpr qint64 MaxTiffDecodedBytes = 160LL * 1024 * 1024;
constexpr qint64 MaxTiffStripBytes = 64LL * 1024 * 1024;
// libtiff starts every strip or tile anew: a tiny tile costs as much as a large one to set up.
constexpr qint64 MaxTiffStrips = 65536;

// Why a check fails: the reader would fail anyway (Damaged), the file is of a variant that is
// not read (UnknownKind), the picture has more pixels than any may (TooLarge), or the work
// would be too much.
enum class CheckResult { Fine, Damaged, UnknownKind, TooLarge, TooCostly };

// A PNG: whole chunks, rows of no more than MaxPngRowBytes, image data that inflates to no more
// than its rows need, and compressed chunks beside it that inflate to no more than
// MaxPngTextBytes.
CheckResult CheckPng(QByteArrayView data);

// A GIF: the first picture's codes must expand to no more pixels than the picture has (plus
// one code's worth), since the reader expands every code whether or not it lands in the picture.
CheckResult CheckGif(QByteArrayView data);

// A TIFF's first picture: a compression that libtiff reads (else UnknownKind), strips that
// decode to no more than the limits above, and JPEG data whose scans cost no more than
// MaxJpegWork in all.
CheckResult CheckTiff(QByteArrayView data);

// The work libjpeg does on one JPEG stream, in the units of MaxJpegWork, read from its markers
// alone; tables are markers read before the stream (a TIFF's JPEGTables). None when the stream
// has no frame header before its first scan.
std::optional<qint64> JpegStreamWork(QByteArrayView stream, QByteArrayView tables = {});

// The cost of one scan in the units of MaxJpegWork: every block of the scan costs the
// coefficients of its band plus 16, every restart 48, and arithmetic coding half as much again.
qint64 JpegScanWork(qint64 blocks, qint64 mcus, int band, int restartInterval, bool arithmetic);

// The orientation (1 to 8) that an Exif block (an APP1 segment's data, "Exif" and all) gives
// the picture; none when it names none.
std::optional<int> ExifOrientation(QByteArrayView exif);

// Where the picture of an icon's entry lies in the file; none when the entry is outside it.
struct IconEntry
{
    qint64 offset = 0;
    qint64 size = 0;
};
std::optional<IconEntry> IconEntryAt(QByteArrayView icon, int index);

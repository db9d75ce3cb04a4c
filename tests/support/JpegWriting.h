#pragma once

// Writing JPEG files, for the resource generator, the tests, the fuzz corpus and the
// benchmarks; the program itself only reads them.

#include <QByteArray>
#include <QImage>
#include <QSize>

struct JpegEncoding
{
    enum class Colours { Rgb, Grey, Cmyk, Ycck };
    int quality = 85;
    bool progressive = false;
    // Cmyk and Ycck write Adobe-style inverted CMYK converted from the picture's colours.
    Colours colours = Colours::Rgb;
    bool fullResolutionColour = false; // rather than colour at half the resolution both ways
    // An Exif orientation (1 to 8) to store beside the pixels, which stay as given; 0 for none.
    int orientation = 0;
};
QByteArray EncodeJpeg(const QImage &image, const JpegEncoding &encoding = {});

// A crafted JPEG, for the tests, the fuzz corpus and the benchmarks: a grey picture claiming
// size whose data is nothing but runs of empty blocks, or nothing at all (libjpeg reads zeros
// where data is missing). It is small, a few hundred bytes a scan at 16000 x 16000 at most,
// but libjpeg visits every block of the picture in every scan.
struct CraftedJpeg
{
    enum class Scans {
        Baseline, // one sequential scan
        EndOfBandRuns, // progressive: first scans of the whole AC band
        Refinements, // progressive: refinement scans of the whole AC band
        DcFirst, // progressive: first scans of the DC coefficients, with no data
    };
    QSize size;
    int scans = 1;
    Scans kind = Scans::EndOfBandRuns;
    bool arithmetic = false; // arithmetic coding, with no data at all (libjpeg reads zeros)
    int restartInterval = 0; // in blocks; the restart markers themselves are left out
};
QByteArray CraftJpeg(const CraftedJpeg &crafted);

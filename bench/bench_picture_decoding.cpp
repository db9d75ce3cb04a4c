// Building the largest board from a large photo: decoding a 6000 × 4000 JPEG for a 12 × 12
// board of 100-pixel tiles, stretching it to 1200 × 1200 and cutting the 144 tiles, beside
// libjpeg-turbo's own djpeg decoding the same file at the same DCT scale.
//
// Then the game's read of a 24-megapixel picture in each format, checks and all, beside the
// format's bare decoder: djpeg, a plain libpng loop, dwebp, libtiff's tiff2rgba and giflib's
// gif2rgb. The rounds interleave the formats and the two reads, so that a busy machine slows
// both alike; medians and the spread (lowest to highest) of each are printed.

#include "PhotoLikePicture.h"
#include "logic/PictureDecoding.h"
#include "support/JpegWriting.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/HostilePictures.h"

#include <QImageWriter>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <png.h>

namespace {

constexpr int Runs = 9;
constexpr QSize PhotoSize(6000, 4000);
constexpr int GridSize = 12;
constexpr int TileSize = 100;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds a program takes to decode a file (its output thrown away); negative when it
// fails or is not installed.
double runTool(const QString &program, const QStringList &arguments)
{
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return -1;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(found, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

// libpng alone, to eight-bit RGBA rows in memory, as any program that shows a PNG needs them.
double plainLibpng(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data.constData(), size_t(data.size())))
        return -1;
    image.format = PNG_FORMAT_BGRA;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    const bool read = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    png_image_free(&image);
    return read ? timer.nsecsElapsed() / 1e6 : -1;
}

struct FormatRead
{
    const char *name;
    QString file;
    std::function<double()> bare;
    const char *bareName;
    std::vector<double> game;
    std::vector<double> reference;
};

int compareFormats(const QString &folder, const QSize &board)
{
    const QImage photo = PhotoLikePicture(PhotoSize);
    const auto write = [&](const QString &name, const QByteArray &data) {
        QFile file(folder + u'/' + name);
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    };
    const auto encoded = [&](const char *format, int compression) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        if (compression >= 0)
            writer.setCompression(compression);
        writer.setQuality(90);
        return writer.write(photo) ? data : QByteArray();
    };
    const int eighths = JpegScaleEighths(PhotoSize, board);
    std::vector<FormatRead> reads;
    const auto add = [&](const char *name, const QString &file, const QByteArray &data,
                         const char *bareName, std::function<double(const QString &)> bare) {
        if (data.isEmpty() || !write(file, data)) {
            std::printf("%s: not written, left out\n", name);
            return;
        }
        const QString path = folder + u'/' + file;
        reads.push_back({name, path, [bare, path] { return bare(path); }, bareName, {}, {}});
        std::printf("%s: %.1f MB\n", name, data.size() / 1e6);
    };
    add("JPEG, quality 90", "photo.jpg", EncodeJpeg(photo, JpegEncoding {90}), "djpeg",
        [eighths](const QString &path) {
            return runTool(QStringLiteral("djpeg"), {QStringLiteral("-scale"),
                QStringLiteral("%1/8").arg(eighths), QStringLiteral("-outfile"),
                QStringLiteral("/dev/null"), path});
        });
    add("PNG", "photo.png", encoded("png", -1), "libpng", plainLibpng);
    add("WebP, quality 90", "photo.webp", encoded("webp", -1), "dwebp",
        [](const QString &path) {
            return runTool(QStringLiteral("dwebp"),
                {path, QStringLiteral("-pam"), QStringLiteral("-o"), QStringLiteral("/dev/null")});
        });
    // tiff2rgba seeks in its output, so it writes a file of its own (96 MB, in the same folder).
    add("TIFF, LZW", "photo.tif", encoded("tiff", 1), "tiff2rgba", [folder](const QString &path) {
        return runTool(QStringLiteral("tiff2rgba"), {path, folder + QStringLiteral("/rgba.tif")});
    });
    add("GIF, a code a pixel", "photo.gif", hostile::gif(PhotoSize), "gif2rgb",
        [](const QString &path) {
            return runTool(QStringLiteral("gif2rgb"),
                {QStringLiteral("-1"), QStringLiteral("-o"), QStringLiteral("/dev/null"), path});
        });

    for (int round = 0; round <= Runs; ++round) { // round 0 warms the caches
        for (FormatRead &read : reads) {
            // Which of the two goes first alternates from round to round.
            double game = 0;
            double reference = 0;
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (round % 2 == 0)) {
                    QElapsedTimer timer;
                    timer.start();
                    const DecodedPicture picture = DecodePictureFile(read.file, board);
                    game = picture ? timer.nsecsElapsed() / 1e6 : -1;
                } else {
                    reference = read.bare();
                }
            }
            if (round > 0) {
                read.game.push_back(game);
                read.reference.push_back(reference);
            }
        }
    }
    std::printf("\n24-megapixel pictures for a %d x %d board, medians of %d interleaved rounds "
                "(lowest to highest), ms:\n",
        board.width(), board.height(), Runs);
    std::printf("%-22s %-30s %-30s %s\n", "format", "game's read", "bare decoder", "ratio");
    for (const FormatRead &read : reads) {
        const auto figure = [](const std::vector<double> &times) {
            if (*std::min_element(times.begin(), times.end()) < 0)
                return QStringLiteral("failed");
            return QStringLiteral("%1 (%2 to %3)")
                .arg(median(times), 0, 'f', 1)
                .arg(*std::min_element(times.begin(), times.end()), 0, 'f', 1)
                .arg(*std::max_element(times.begin(), times.end()), 0, 'f', 1);
        };
        const double game = median(read.game);
        const double reference = median(read.reference);
        std::printf("%-22s %-30s %-9s %-20s %.2f\n", read.name, qPrintable(figure(read.game)),
            read.bareName, qPrintable(figure(read.reference)),
            game > 0 && reference > 0 ? game / reference : 0.0);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("photo.jpg"));
    {
        const QByteArray data = EncodeJpeg(PhotoLikePicture(PhotoSize), JpegEncoding {90});
        QFile file(path);
        const bool written
            = !data.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("source: %d x %d JPEG, quality 90, %.1f MB\n", PhotoSize.width(),
            PhotoSize.height(), data.size() / 1e6);
    }

    const QSize board(GridSize * TileSize, GridSize * TileSize);
    const int eighths = JpegScaleEighths(PhotoSize, board);
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    std::printf("board: %d x %d, DCT scale %d/8\n", board.width(), board.height(), eighths);
    if (djpeg.isEmpty())
        std::printf("djpeg not found (package libjpeg-turbo-progs): no reference figure\n");

    std::vector<double> decodeTimes, stretchTimes, cutTimes, totalTimes, djpegTimes;
    QSize decodedSize;
    for (int run = 0; run <= Runs; ++run) { // run 0 warms the caches and is not counted
        QElapsedTimer timer;
        timer.start();
        const std::optional<QImage> picture = DecodePictureFile(path, board);
        const qint64 decoded = timer.nsecsElapsed();
        if (!picture) {
            std::fprintf(stderr, "the picture did not decode\n");
            return 1;
        }
        decodedSize = picture->size();
        const QImage stretched
            = picture->scaled(board, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const qint64 scaled = timer.nsecsElapsed();
        std::vector<QImage> tiles;
        tiles.reserve(GridSize * GridSize);
        for (int column = 0; column < GridSize; ++column) {
            for (int row = 0; row < GridSize; ++row)
                tiles.push_back(
                    stretched.copy(column * TileSize, row * TileSize, TileSize, TileSize));
        }
        const qint64 cut = timer.nsecsElapsed();

        double djpegTime = 0;
        if (!djpeg.isEmpty()) {
            QProcess process;
            QElapsedTimer processTimer;
            processTimer.start();
            process.start(djpeg,
                {QStringLiteral("-scale"), QStringLiteral("%1/8").arg(eighths),
                    QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
            if (!process.waitForFinished(60000) || process.exitCode() != 0) {
                std::fprintf(
                    stderr, "djpeg failed: %s\n", process.readAllStandardError().constData());
                return 1;
            }
            djpegTime = processTimer.nsecsElapsed() / 1e6;
        }
        if (run == 0)
            continue;
        decodeTimes.push_back(decoded / 1e6);
        stretchTimes.push_back((scaled - decoded) / 1e6);
        cutTimes.push_back((cut - scaled) / 1e6);
        totalTimes.push_back(cut / 1e6);
        djpegTimes.push_back(djpegTime);
    }

    std::printf("decoded at %d x %d; medians of %d runs:\n", decodedSize.width(),
        decodedSize.height(), Runs);
    std::printf("  decode %.1f ms, stretch %.1f ms, cut 144 tiles %.1f ms\n", median(decodeTimes),
        median(stretchTimes), median(cutTimes));
    std::printf("board from photo: %.1f ms\n", median(totalTimes));
    if (!djpeg.isEmpty()) {
        std::printf("djpeg -scale %d/8:  %.1f ms\n", eighths, median(djpegTimes));
        const double ratio = median(totalTimes) / median(djpegTimes);
        std::printf("ratio: %.2f (target at most 2.00)\n", ratio);
    }
    return compareFormats(folder.path(), board);
}

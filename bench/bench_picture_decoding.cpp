// Building the largest board from a large photo: decoding a 6000 × 4000 JPEG for a 12 × 12
// board of 100-pixel tiles, stretching it to 1200 × 1200 and cutting the 144 tiles, beside
// libjpeg-turbo's own djpeg decoding the same file at the same DCT scale.

#include "PhotoLikePicture.h"
#include "logic/PictureDecoding.h"
#include "support/JpegWriting.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

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
    return 0;
}

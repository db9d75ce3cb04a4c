// Building the largest board from a large photo: decoding a 6000 × 4000 JPEG for a 12 × 12
// board of 100-pixel tiles, stretching it to 1200 × 1200 and cutting the 144 tiles, beside
// libjpeg-turbo's own djpeg decoding the same file at the same DCT scale.

#include "logic/PictureDecoding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 9;
constexpr QSize PhotoSize(6000, 4000);
constexpr int GridSize = 12;
constexpr int TileSize = 100;

// Shapes and gradients with grain on top, so that the data is about as dense as a photo's.
QImage photoLikePicture()
{
    QImage image(PhotoSize, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, PhotoSize.height());
    sky.setColorAt(0, QColor(40, 90, 180));
    sky.setColorAt(0.5, QColor(230, 200, 160));
    sky.setColorAt(1, QColor(40, 110, 40));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(6000);
    for (int shape = 0; shape < 400; ++shape) {
        const QColor colour = QColor::fromHsv(random.bounded(360), 80 + random.bounded(170),
            60 + random.bounded(190), 120 + random.bounded(130));
        painter.setPen(QPen(colour.darker(150), 1 + random.bounded(8)));
        painter.setBrush(colour);
        const QPointF centre(random.bounded(PhotoSize.width()), random.bounded(PhotoSize.height()));
        const double radius = 20 + random.bounded(400);
        if (shape % 3)
            painter.drawEllipse(centre, radius, radius * (0.5 + random.generateDouble()));
        else
            painter.drawRect(QRectF(centre, QSizeF(radius, radius * 0.7)));
    }
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(25)) - 12;
            const QRgb pixel = line[x];
            line[x] = qRgb(std::clamp(qRed(pixel) + grain, 0, 255),
                std::clamp(qGreen(pixel) + grain, 0, 255),
                std::clamp(qBlue(pixel) + grain, 0, 255));
        }
    }
    return image;
}

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
        const QByteArray data = EncodeJpeg(photoLikePicture(), JpegEncoding {90});
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

// Files that cost time rather than size, and honest large photos: each decoded in a process of
// its own for the largest board (1200 × 1200) and for the open-picture dialog's preview
// (180 × 180), with wall time, processor time and peak resident memory, beside libjpeg-turbo's
// djpeg decoding the same file at the same DCT scale (once; it has no limits and can take
// minutes on the crafted files).
//
//   bench_hostile_pictures [--only SUFFIXES] [--keep FOLDER] [--decoder PROGRAM] [--beside PROGRAM]
//     --only     only the files whose names end in one of the comma-separated SUFFIXES
//     --keep     writes the files to FOLDER and leaves them there
//     --decoder  times PROGRAM --decode FILE SIZE instead of this program's own decoder, so
//                that another build's figures can be set beside these
//     --beside   times PROGRAM --decode FILE SIZE too, run for run after the decoder (an
//                earlier build's bench program, say), and prints its medians in place of djpeg's
//   bench_hostile_pictures --decode FILE SIZE
//     decodes FILE for a SIZE × SIZE board and prints the outcome

#include "PhotoLikePicture.h"
#include "support/HostilePictures.h"
#include "logic/MetafileChecks.h"
#include "logic/PictureDecoding.h"
#include "metafiles/MetafileRendering.h"
#include "support/Metafiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int Runs = 3;
constexpr int Boards[] = {1200, 180};

struct Sample
{
    QString outcome;
    double seconds = 0;
    double processorSeconds = 0;
    double megabytes = 0; // peak resident
    double processorSpread = 0; // of a median: the largest processor time less the smallest
};

double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

// Runs a program to its end with its output collected, measured as /usr/bin/time would.
std::optional<Sample> measure(const QStringList &command)
{
    std::vector<QByteArray> arguments;
    for (const QString &argument : command)
        arguments.push_back(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int output[2];
    if (pipe(output) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const double started = now();
    pid_t child = 0;
    const int failed = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (failed != 0) {
        close(output[0]);
        return std::nullopt;
    }
    QByteArray printed;
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        printed.append(buffer, got);
    close(output[0]);
    int status = 0;
    rusage usage {};
    if (wait4(child, &status, 0, &usage) != child)
        return std::nullopt;
    Sample sample;
    sample.seconds = now() - started;
    const auto seconds = [](timeval time) { return double(time.tv_sec) + time.tv_usec / 1e6; };
    sample.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    sample.megabytes = double(usage.ru_maxrss) / 1024.0;
    sample.outcome = WIFEXITED(status) && WEXITSTATUS(status) == 0
        ? QString::fromUtf8(printed.trimmed())
        : QStringLiteral("failed");
    return sample;
}

Sample median(std::vector<Sample> samples)
{
    const auto middle = [&](auto field) {
        std::vector<double> values;
        for (const Sample &sample : samples)
            values.push_back(sample.*field);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    Sample result = samples.front();
    const auto [fastest, slowest] = std::minmax_element(samples.begin(), samples.end(),
        [](const Sample &a, const Sample &b) { return a.processorSeconds < b.processorSeconds; });
    result.processorSpread = slowest->processorSeconds - fastest->processorSeconds;
    result.seconds = middle(&Sample::seconds);
    result.processorSeconds = middle(&Sample::processorSeconds);
    result.megabytes = middle(&Sample::megabytes);
    return result;
}

int decodeOnce(int argc, char **argv, const QString &path, int boardLength)
{
    // Metafiles are drawn with text, which needs the GUI kind of application; they are drawn by
    // the module's code, linked in here.
    std::optional<QGuiApplication> application;
    if (path.endsWith(u".wmf") || path.endsWith(u".emf")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application.emplace(argc, argv);
        UseMetafileModule(MetafileRendering());
    }
    const DecodedPicture picture = DecodePictureFile(path, QSize(boardLength, boardLength));
    if (picture)
        std::printf("picture %dx%d\n", picture->width(), picture->height());
    else
        std::printf(IsRefusal(picture.problem) ? "refused\n" : "unreadable\n");
    return 0;
}

struct Case
{
    QString name;
    QString file;
    std::function<QByteArray()> data;
    QSize size; // as the file claims it; empty for files that are not JPEGs
    // Runs of zeros left as holes in the file: where each begins in the data, and its length.
    QList<QPair<qint64, qint64>> holes = {};
    // The command of the format's own tool with no limits, timed once beside the decoder.
    std::function<QStringList(const QString &path)> reference = {};
};

QByteArray noiseJpeg(QSize size)
{
    QImage noise(size, QImage::Format_RGB32);
    QRandomGenerator random(16);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(noise.scanLine(y));
        random.fillRange(line, size.width());
    }
    return EncodeJpeg(noise, {100, true, JpegEncoding::Colours::Rgb, true});
}

// An 8-bit run-length bitmap that claims size and ends at once; Qt fills the rest.
QByteArray emptyRunLengthBitmap(QSize size)
{
    QByteArray data(14 + 40 + 256 * 4 + 2, 0);
    char *bytes = data.data();
    bytes[0] = 'B';
    bytes[1] = 'M';
    qToLittleEndian(quint32(data.size()), bytes + 2);
    qToLittleEndian(quint32(14 + 40 + 256 * 4), bytes + 10);
    qToLittleEndian(quint32(40), bytes + 14);
    qToLittleEndian(qint32(size.width()), bytes + 18);
    qToLittleEndian(qint32(size.height()), bytes + 22);
    qToLittleEndian(quint16(1), bytes + 26);
    qToLittleEndian(quint16(8), bytes + 28);
    qToLittleEndian(quint32(1), bytes + 30); // BI_RLE8
    qToLittleEndian(quint32(2), bytes + 34);
    qToLittleEndian(quint32(256), bytes + 46);
    bytes[data.size() - 1] = 1; // end of bitmap
    return data;
}

// An icon whose one entry is a large PNG picture of one colour, which compresses to little.
QByteArray largePngIcon(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    return hostile::icon(hostile::encoded(picture, "png"));
}

// Metafiles, beside the libraries' own converters (libwmf's wmf2gd draws, emf2svg-conv only
// converts): records by the million, the costliest of each kind the checks let through,
// extents as large as the formats allow, and records that point outside the file.
void addMetafileCases(std::vector<Case> &all)
{
    using namespace metafile;
    // At most a minute each; the programs are started by their full names.
    const QString timeout = QStandardPaths::findExecutable(QStringLiteral("timeout"));
    const auto wmfTool = [=](const QString &path) {
        return QStringList {timeout, QStringLiteral("60"),
            QStandardPaths::findExecutable(QStringLiteral("wmf2gd")), QStringLiteral("-t"), QStringLiteral("png"),
            QStringLiteral("-o"), QStringLiteral("/dev/null"), path};
    };
    const auto emfTool = [=](const QString &path) {
        return QStringList {timeout, QStringLiteral("60"),
            QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv")), QStringLiteral("-i"),
            path, QStringLiteral("-o"),
            QStringLiteral("/dev/null")};
    };
    const auto wmf = [&](const QString &name, const QString &file, std::function<QByteArray()> data) {
        all.push_back({name, file, std::move(data), {}, {}, wmfTool});
    };
    const auto emf = [&](const QString &name, const QString &file, std::function<QByteArray()> data) {
        all.push_back({name, file, std::move(data), {}, {}, emfTool});
    };
    wmf(QStringLiteral("WMF, the generator's sample"), QStringLiteral("sample.wmf"),
        [] { return sampleWmf(); });
    emf(QStringLiteral("EMF, the generator's sample"), QStringLiteral("sample.emf"),
        [] { return sampleEmf(); });
    wmf(QStringLiteral("WMF, a million records"), QStringLiteral("million.wmf"), [] {
        Wmf many;
        for (int i = 0; i < 1'000'000; ++i)
            many.select(0);
        return many.file();
    });
    emf(QStringLiteral("EMF, a million records"), QStringLiteral("million.emf"), [] {
        Emf many;
        for (int i = 0; i < 1'000'000; ++i)
            many.select(0x80000000);
        return many.file();
    });
    // As many records as allowed, each filling the whole picture.
    const int allowed = int(MaxMetafileRecords) - 3;
    wmf(QStringLiteral("WMF, 29997 whole-picture fills"), QStringLiteral("fills.wmf"), [=] {
        Wmf fills;
        fills.brush(Red).select(0);
        for (int i = 0; i < allowed; ++i)
            fills.record(0x0418, words({300, 400, 0, 0}));
        return fills.file();
    });
    emf(QStringLiteral("EMF, 29997 whole-picture fills"), QStringLiteral("fills.emf"), [=] {
        Emf fills;
        fills.brush(1, Red).select(1);
        for (int i = 0; i < allowed; ++i)
            fills.record(42, longs({0, 0, 400, 300}));
        return fills.file();
    });
    // As many points as allowed: one polygon in EMF, 16 polygons in WMF.
    // 16-bit points, as both formats' polygons of the cases below take them.
    const auto zigzag = [](qint64 count) {
        QByteArray points;
        for (qint64 i = 0; i < count; ++i)
            points += words({i * 400 / count, i % 2 ? 0 : 300});
        return points;
    };
    const qint64 points = MaxMetafilePoints;
    emf(QStringLiteral("EMF, a polygon of 500000 points"), QStringLiteral("points.emf"), [=] {
        Emf polygon;
        polygon.brush(1, Blue).select(1);
        polygon.record(86, longs({0, 0, 400, 300, points}) + zigzag(points));
        return polygon.file();
    });
    wmf(QStringLiteral("WMF, 16 polygons of 31250 points"), QStringLiteral("points.wmf"), [=] {
        Wmf polygons;
        polygons.brush(Blue).select(0);
        for (int i = 0; i < 16; ++i)
            polygons.record(0x0324, words({points / 16}) + zigzag(points / 16));
        return polygons.file();
    });
    // Zigzags across the whole picture: their rows cost the square of their edges.
    emf(QStringLiteral("EMF, a zigzag of 100 points"), QStringLiteral("zigzag100.emf"), [=] {
        Emf zigzag100;
        zigzag100.brush(1, Blue).select(1);
        zigzag100.record(86, longs({0, 0, 400, 300, 100}) + zigzag(100));
        return zigzag100.file();
    });
    wmf(QStringLiteral("WMF, a zigzag of 100 points"), QStringLiteral("zigzag100.wmf"), [=] {
        Wmf zigzag100;
        zigzag100.brush(Blue).select(0);
        zigzag100.record(0x0324, words({100}) + zigzag(100));
        return zigzag100.file();
    });
    // As many letters as allowed.
    const qint64 letters = MaxMetafileLetters - 100; // beside the sample's
    emf(QStringLiteral("EMF, a text of 100000 letters"), QStringLiteral("letters.emf"), [=] {
        Emf text = sampleEmfRecords();
        text.record(84, longs({-1, -1, -1, -1, 1}) + QByteArray::fromHex("0000803f0000803f")
                + longs({0, 150, letters, 76, 0, 0, 0, -1, -1, 76 + 2 * letters})
                + QByteArray("W\0", 2).repeated(letters) + longs({4}).repeated(letters));
        return text.file();
    });
    wmf(QStringLiteral("WMF, texts of 100000 letters"), QStringLiteral("letters.wmf"), [=] {
        Wmf text = sampleWmfRecords();
        for (int i = 0; i < 4; ++i)
            text.record(0x0521, words({letters / 4}) + QByteArray(letters / 4, 'W') + words({150, 0}));
        return text.file();
    });
    // As many bitmap pixels as allowed, run-length coded: 4000 x 4000 in runs of 250.
    const auto runLengthBitmap = [] {
        QByteArray row;
        for (int i = 0; i < 16; ++i)
            row += QByteArray(1, char(250)) + char(i % 2);
        row += QByteArray(2, 0); // end of the row
        const QByteArray bits = row.repeated(4000) + QByteArray("\0\1", 2);
        return longs({40, 4000, 4000}) + words({1, 8}) + longs({1, bits.size(), 0, 0, 2, 0})
            + longs({0x0000FF, 0xFF0000}) + bits;
    };
    emf(QStringLiteral("EMF, a bitmap of 16 megapixels"), QStringLiteral("bitmap.emf"), [=] {
        const QByteArray bitmap = runLengthBitmap();
        Emf picture;
        picture.record(81, longs({0, 0, 400, 300, 0, 0, 0, 0, 4000, 4000, 80, 48, 128,
            bitmap.size() - 48, 0, 0x00CC0020, 400, 300}) + bitmap);
        return picture.file();
    });
    wmf(QStringLiteral("WMF, a bitmap of 16 megapixels"), QStringLiteral("bitmap.wmf"), [=] {
        Wmf picture;
        picture.record(0x0F43, longs({0x00CC0020}) + words({0, 4000, 4000, 0, 0, 300, 400, 0, 0})
                + runLengthBitmap());
        return picture.file();
    });
    // Extents as large as the formats allow, and shapes across all of them.
    wmf(QStringLiteral("WMF, huge extents"), QStringLiteral("extents.wmf"), [] {
        Wmf huge = sampleWmfRecords();
        huge.record(0x020C, words({1, 1})).record(0x0418, words({32767, 32767, -32768, -32768}));
        huge.record(0x02FA, words({1, 0, 0}) + longs({0})).select(0); // dashed
        huge.record(0x0325, words({2, -32768, -32768, 32767, 32767}));
        return huge.file({-32768, -32768, 65535, 65535});
    });
    emf(QStringLiteral("EMF, huge extents"), QStringLiteral("extents.emf"), [] {
        Emf huge = sampleEmfRecords();
        huge.record(42, longs({-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}));
        huge.record(38, longs({5, 1, 1, 0, 0})).select(5); // dashed
        huge.record(4, longs({0, 0, 0, 0, 2, -0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}));
        return huge.file({-0x3FFFFFFF, -0x3FFFFFFF, 0x7FFFFFFE, 0x7FFFFFFE});
    });
    // Records that point outside the file.
    wmf(QStringLiteral("WMF, largest record 4 GB"), QStringLiteral("outside.wmf"),
        [] { return sampleWmfRecords().file({0, 0, 400, 300}, 2, 0x7FFFFFFF); });
    emf(QStringLiteral("EMF, a record 2 GB long"), QStringLiteral("outside.emf"), [] {
        QByteArray data = sampleEmf();
        data.replace(88 + 4, 4, le(0x7FFFFFF0, 4));
        return data;
    });
    emf(QStringLiteral("EMF, bitmap bits 2 GB away"), QStringLiteral("bits.emf"), [] {
        Emf bits;
        bits.record(81, longs({0, 0, 10, 10, 0, 0, 0, 0, 2, 2, 80, 40, 0x7FFFFF00, 16, 0,
            0x00CC0020, 10, 10}) + longs({40, 2, 2}) + words({1, 24}) + longs({0, 16, 0, 0, 0, 0}));
        return bits.file();
    });
}

std::vector<Case> cases()
{
    using Scans = CraftedJpeg::Scans;
    std::vector<Case> all;
    const auto crafted = [&](const QString &name, const QString &file, CraftedJpeg jpeg) {
        all.push_back({name, file, [jpeg] { return CraftJpeg(jpeg); }, jpeg.size});
    };
    crafted(QStringLiteral("500 scans of empty blocks"), QStringLiteral("scans500.jpg"),
        {{16000, 16000}, 500});
    crafted(QStringLiteral("600 scans of empty blocks"), QStringLiteral("scans600.jpg"),
        {{16000, 16000}, 600});
    crafted(QStringLiteral("600 scans of empty blocks"), QStringLiteral("scans600-small.jpg"),
        {{4000, 4000}, 600});
    crafted(QStringLiteral("10 refinement scans"), QStringLiteral("refinements.jpg"),
        {{9000, 9000}, 10, Scans::Refinements});
    crafted(QStringLiteral("10 refinement scans, arithmetic"),
        QStringLiteral("arithmetic-refinements.jpg"), {{9000, 9000}, 10, Scans::Refinements, true});
    crafted(QStringLiteral("20 DC scans, arithmetic, restarts"),
        QStringLiteral("arithmetic-restarts.jpg"), {{9000, 9000}, 20, Scans::DcFirst, true, 1});
    crafted(QStringLiteral("one scan, arithmetic"), QStringLiteral("arithmetic-claim.jpg"),
        {{16000, 16000}, 1, Scans::Baseline, true});
    crafted(QStringLiteral("one scan"), QStringLiteral("claim.jpg"),
        {{16000, 16000}, 1, Scans::Baseline});

    // The densest data there is, at the largest file allowed.
    const QSize noiseSize(2600, 1700);
    all.push_back({QStringLiteral("noise, quality 100, progressive"), QStringLiteral("noise.jpg"),
        [=] { return noiseJpeg(noiseSize); }, noiseSize});

    const QSize photoSize(6000, 4000);
    const auto photo = [=](JpegEncoding encoding) {
        return [=] { return EncodeJpeg(PhotoLikePicture(photoSize), encoding); };
    };
    all.push_back(
        {QStringLiteral("photo, quality 90"), QStringLiteral("photo.jpg"), photo({90}), photoSize});
    all.push_back({QStringLiteral("photo, quality 90, progressive"),
        QStringLiteral("photo-progressive.jpg"), photo({90, true}), photoSize});
    all.push_back({QStringLiteral("photo, q. 95, progr., full colour"),
        QStringLiteral("photo-full-colour.jpg"),
        photo({95, true, JpegEncoding::Colours::Rgb, true}), photoSize});

    all.push_back({QStringLiteral("run-length bitmap, no data"), QStringLiteral("claim.bmp"),
        [] {
            return emptyRunLengthBitmap({6000, 5300});
        },
        {}});
    all.push_back({QStringLiteral("icon holding a large PNG"), QStringLiteral("png.ico"),
        [] {
            return largePngIcon({5000, 5000});
        },
        {}});

    // Honest photographs in the further formats.
    const auto photoAs = [=](const char *format, int quality = -1) {
        return [=] { return hostile::encoded(PhotoLikePicture(photoSize), format, quality); };
    };
    all.push_back({QStringLiteral("photo, PNG"), QStringLiteral("photo.png"), photoAs("png"), {}});
    all.push_back(
        {QStringLiteral("photo, WebP"), QStringLiteral("photo.webp"), photoAs("webp", 90), {}});
    all.push_back({QStringLiteral("photo, WebP lossless"), QStringLiteral("photo-lossless.webp"),
        photoAs("webp", 100), {}});
    all.push_back({QStringLiteral("photo, TIFF"), QStringLiteral("photo.tif"), photoAs("tiff"),
        {}});
    all.push_back({QStringLiteral("photo, TIFF of JPEG strips"), QStringLiteral("photo-jpeg.tif"),
        [=] {
            const QImage photo
                = PhotoLikePicture(photoSize).convertToFormat(QImage::Format_Grayscale8);
            return hostile::tiffOfJpegStrips(photoSize, 64, [&](int top, QSize strip) {
                return EncodeJpeg(photo.copy(QRect(QPoint(0, top), strip)),
                    {90, false, JpegEncoding::Colours::Grey});
            });
        },
        {}});
    all.push_back({QStringLiteral("GIF, a code a pixel"), QStringLiteral("photo.gif"),
        [=] { return hostile::gif({4000, 3000}); }, {}});

    // Tails and chunks of zeros that no reader needs, as holes of a sparse file.
    constexpr qint64 ThreeGigabytes = 3LL << 30;
    const QImage small = PhotoLikePicture({120, 90});
    all.push_back({QStringLiteral("WebP, 3 GiB of zeros after it"), QStringLiteral("tail.webp"),
        [=] { return hostile::encoded(small, "webp"); }, {}, {{-1, ThreeGigabytes}}});
    all.push_back({QStringLiteral("GIF, 3 GiB of zeros after it"), QStringLiteral("tail.gif"),
        [=] { return hostile::gif({120, 90}); }, {}, {{-1, ThreeGigabytes}}});
    const qint64 chunkLength = (1LL << 31) - 1;
    all.push_back({QStringLiteral("PNG, two 2 GiB chunks unknown"), QStringLiteral("chunks.png"),
        [=] {
            const QByteArray png = hostile::encoded(small, "png");
            const QByteArray header = hostile::bigEndian32(quint32(chunkLength)) + "zzZz";
            // Each chunk's data is a hole; its checksum follows.
            return png.left(png.size() - 12) + header + hostile::bigEndian32(0) + header
                + hostile::bigEndian32(0) + png.right(12);
        },
        {}});
    // The two holes go right after the two chunk headers.
    const qint64 firstHole = hostile::encoded(small, "png").size() - 12 + 8;
    all.back().holes = {{firstHole, chunkLength}, {firstHole + 4 + 8, chunkLength}};

    // Compressed data far beyond the picture's own.
    const QSize tiny(100, 100);
    all.push_back({QStringLiteral("PNG, 2 GiB of zeros in its data"), QStringLiteral("zeros.png"),
        [=] { return hostile::png(tiny, 2LL << 30); }, {}});
    all.push_back({QStringLiteral("icon of that PNG"), QStringLiteral("zeros.ico"),
        [=] { return hostile::icon(hostile::png(tiny, 2LL << 30)); }, {}});
    all.push_back({QStringLiteral("PNG, 8000 zTXt of 1 MB each"), QStringLiteral("text.png"),
        [=] { return hostile::png(tiny, 0, hostile::pngText(1 << 20).repeated(8000)); }, {}});
    all.push_back({QStringLiteral("GIF, codes of 4096 pixels"), QStringLiteral("codes.gif"),
        [=] { return hostile::gifExpanding(tiny, 200'000); }, {}});
    using Scans = CraftedJpeg::Scans;
    all.push_back({QStringLiteral("TIFF, JPEG strip of 99 scans"), QStringLiteral("scans.tif"),
        [] {
            return hostile::tiffOfCraftedStrips({5600, 5600}, 5600, {{}, 99, Scans::Refinements});
        },
        {}});
    all.push_back({QStringLiteral("TIFF, 700 JPEG strips, 99 scans"),
        QStringLiteral("strips.tif"),
        [] { return hostile::tiffOfCraftedStrips({5600, 5600}, 8, {{}, 99, Scans::Refinements}); },
        {}});
    addMetafileCases(all);
    return all;
}

// Writes the data with its holes: a hole at -1 comes after the data.
bool writeCase(const Case &item, const QString &path)
{
    const QByteArray data = item.data();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    qint64 written = 0;
    qint64 holes = 0;
    for (const auto &[at, length] : item.holes) {
        const qint64 until = at < 0 ? data.size() : at;
        if (file.write(data.constData() + written, until - written) != until - written)
            return false;
        written = until;
        holes += length;
        if (!file.seek(written + holes))
            return false;
    }
    if (file.write(data.constData() + written, data.size() - written) != data.size() - written)
        return false;
    return file.resize(data.size() + holes);
}

int writeFiles(const QString &folder)
{
    for (const Case &item : cases()) {
        if (!writeCase(item, QDir(folder).filePath(item.file))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(item.file));
            return 1;
        }
    }
    return 0;
}

QString sizeText(qint64 bytes)
{
    return bytes < 1024 * 1024 ? QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1)
                               : QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 1);
}

void printRow(const QString &name, const QString &detail, const QString &outcome,
    const Sample &sample, const QString &reference)
{
    std::printf("%-34s %-26s %-20s %7.3f %7.3f %6.3f %6.0f   %s\n", qPrintable(name),
        qPrintable(detail), qPrintable(outcome), sample.seconds, sample.processorSeconds,
        sample.processorSpread, sample.megabytes, qPrintable(reference));
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (arguments.size() == 4 && arguments[1] == u"--decode")
        return decodeOnce(argc, argv, arguments[2], arguments[3].toInt());
    if (arguments.size() == 3 && arguments[1] == u"--write")
        return writeFiles(arguments[2]);

    QCoreApplication application(argc, argv);
    QString decoder = QCoreApplication::applicationFilePath();
    QString beside;
    QString folderPath;
    QStringList only;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == u"--only")
            only = arguments[i + 1].split(u',');
        else if (arguments[i] == u"--keep")
            folderPath = arguments[i + 1];
        else if (arguments[i] == u"--decoder")
            decoder = QFileInfo(arguments[i + 1]).absoluteFilePath();
        else if (arguments[i] == u"--beside")
            beside = QFileInfo(arguments[i + 1]).absoluteFilePath();
    }
    QTemporaryDir temporary;
    if (folderPath.isEmpty()) {
        if (!temporary.isValid()) {
            std::fprintf(stderr, "no temporary folder\n");
            return 1;
        }
        folderPath = temporary.path();
    } else if (!QDir().mkpath(folderPath)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folderPath));
        return 1;
    }
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty())
        std::printf("djpeg not found (package libjpeg-turbo-progs): no reference figures\n");
    std::printf(
        "decoder: %s; medians of %d runs; djpeg once per DCT scale\n", qPrintable(decoder), Runs);
    if (!beside.isEmpty())
        std::printf("beside it, run for run: %s\n", qPrintable(beside));
    std::printf("%-34s %-26s %-20s %7s %7s %6s %6s   %s\n", "file", "claims, size, board",
        "outcome", "s", "cpu s", "spread", "MB",
        beside.isEmpty() ? "djpeg: s, cpu s, MB" : "beside: s, cpu s, spread, MB");

    // Written by a process of its own: the decoders are started from this one, and a process
    // started from a large one inherits its peak memory as its own.
    const std::optional<Sample> written
        = measure({QCoreApplication::applicationFilePath(), QStringLiteral("--write"), folderPath});
    if (!written || written->outcome == u"failed") {
        std::fprintf(stderr, "cannot write the files to %s\n", qPrintable(folderPath));
        return 1;
    }
    for (const Case &item : cases()) {
        if (!only.isEmpty()
            && std::none_of(only.cbegin(), only.cend(),
                [&](const QString &suffix) { return item.file.endsWith(suffix); }))
            continue;
        const QString path = QDir(folderPath).filePath(item.file);
        const qint64 bytes = QFileInfo(path).size();
        std::optional<int> lastScale;
        for (const int board : Boards) {
            std::vector<Sample> samples;
            std::vector<Sample> besideSamples;
            for (int run = 0; run < Runs; ++run) {
                for (const QString &program : {decoder, beside}) {
                    if (program.isEmpty())
                        continue;
                    const std::optional<Sample> sample = measure(
                        {program, QStringLiteral("--decode"), path, QString::number(board)});
                    if (!sample) {
                        std::fprintf(stderr, "cannot run %s\n", qPrintable(program));
                        return 1;
                    }
                    (program == decoder ? samples : besideSamples).push_back(*sample);
                }
            }
            const Sample ours = median(samples);

            QString reference = QStringLiteral("-");
            if (!besideSamples.empty()) {
                const Sample theirs = median(besideSamples);
                reference = QStringLiteral("%1 %2 %3 %4 %5")
                                .arg(theirs.seconds, 0, 'f', 3)
                                .arg(theirs.processorSeconds, 0, 'f', 3)
                                .arg(theirs.processorSpread, 0, 'f', 3)
                                .arg(theirs.megabytes, 0, 'f', 0)
                                .arg(theirs.outcome);
            } else if (item.reference) {
                if (board != Boards[0]) {
                    reference = QStringLiteral("(as above)");
                } else if (const std::optional<Sample> theirs = measure(item.reference(path))) {
                    reference = QStringLiteral("%1 %2 %3 (%4)")
                                    .arg(theirs->seconds, 0, 'f', 3)
                                    .arg(theirs->processorSeconds, 0, 'f', 3)
                                    .arg(theirs->megabytes, 0, 'f', 0)
                                    .arg(QFileInfo(item.reference(path).at(2)).fileName());
                }
            } else if (!djpeg.isEmpty() && item.size.isValid()) {
                const int scale = JpegScaleEighths(item.size, QSize(board, board));
                if (lastScale == scale) {
                    reference = QStringLiteral("(as above)");
                } else if (const std::optional<Sample> theirs
                    = measure({djpeg, QStringLiteral("-scale"), QStringLiteral("%1/8").arg(scale),
                        QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path})) {
                    reference = QStringLiteral("%1 %2 %3 (%4/8)")
                                    .arg(theirs->seconds, 0, 'f', 3)
                                    .arg(theirs->processorSeconds, 0, 'f', 3)
                                    .arg(theirs->megabytes, 0, 'f', 0)
                                    .arg(scale);
                }
                lastScale = scale;
            }
            const QString claimed = item.size.isValid()
                ? QStringLiteral("%1x%2").arg(item.size.width()).arg(item.size.height())
                : QString();
            printRow(board == Boards[0] ? item.name : QString(),
                QStringLiteral("%1 %2 %3").arg(claimed, sizeText(bytes)).arg(board), ours.outcome,
                ours, reference);
        }
    }
    return 0;
}

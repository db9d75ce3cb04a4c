// Launch figures: from starting the program to its first board on the screen, and the
// memory it holds then, side by side with another sliding puzzle started the same way and
// with an empty Qt window (the floor of any Qt Widgets program).
//
//   bench_launch [runs]      (starts its own Xvfb; needs Xvfb and sgt-puzzles installed)

#include <QCoreApplication>
#include <QDir>
#include <QPoint>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr quint32 RootColour = 0x10E0B0;

struct Launch
{
    double milliseconds = 0;
    double residentMegabytes = 0;
    double proportionalMegabytes = 0; // resident, shared pages divided among their users
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double megabytesOf(const QString &file, const QByteArray &field)
{
    QFile status(file);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

quint32 pixel(xcb_connection_t *connection, xcb_window_t root, int x, int y)
{
    xcb_get_image_reply_t *reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, x, y, 1, 1, ~0u), nullptr);
    if (!reply)
        return RootColour;
    quint32 value = 0;
    std::memcpy(&value, xcb_get_image_data(reply), 4);
    free(reply);
    return value & 0xFFFFFF;
}

// Starts the command and waits until its first mapped top-level window shows something
// other than the bare screen at the probe point (or, without a probe point, at the centre of
// that window).
std::optional<Launch> launch(xcb_connection_t *connection, xcb_window_t root,
                             const QString &program, const QString &folder,
                             std::optional<QPoint> probe, const QString &display)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    process.start(program, {});
    if (!process.waitForStarted(5000))
        return std::nullopt;

    std::optional<QPoint> point = probe;
    while (timer.elapsed() < 20000) {
        if (!point) {
            // The first mapped child of the root that is not ours decides where to look.
            xcb_query_tree_reply_t *tree
                = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
            if (tree) {
                xcb_window_t *children = xcb_query_tree_children(tree);
                for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
                    auto *attributes = xcb_get_window_attributes_reply(
                        connection, xcb_get_window_attributes(connection, children[i]), nullptr);
                    const bool mapped
                        = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
                    free(attributes);
                    if (!mapped)
                        continue;
                    auto *geometry = xcb_get_geometry_reply(
                        connection, xcb_get_geometry(connection, children[i]), nullptr);
                    if (geometry && geometry->width > 20 && geometry->height > 20)
                        point = QPoint(geometry->x + geometry->width / 2,
                                       geometry->y + geometry->height / 2);
                    free(geometry);
                }
                free(tree);
            }
        }
        if (point && pixel(connection, root, point->x(), point->y()) != RootColour)
            break;
        QThread::usleep(500);
    }
    Launch result;
    result.milliseconds = timer.nsecsElapsed() / 1e6;
    QThread::msleep(300); // let start-up work that follows the first picture settle
    result.residentMegabytes
        = megabytesOf(QStringLiteral("/proc/%1/status").arg(process.processId()), "VmRSS:");
    result.proportionalMegabytes = megabytesOf(
        QStringLiteral("/proc/%1/smaps_rollup").arg(process.processId()), "Pss:");
    process.kill();
    process.waitForFinished(5000);
    if (!point)
        return std::nullopt;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 15;

    QTemporaryDir folder;
    const QString tilora = folder.filePath(QStringLiteral("tilora"));
    if (!QFile::copy(QStringLiteral(TILORA_BINARY), tilora)) {
        std::fprintf(stderr, "cannot copy the program\n");
        return 1;
    }
    QFile::setPermissions(tilora, QFile::permissions(tilora) | QFileDevice::ExeOwner);
    // Not the first start: no help window, a known board.
    QFile ini(folder.filePath(QStringLiteral("tilora.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[Allgemein]\nBild=Motiv A\n");
    ini.close();

    QProcess xvfb;
    QTemporaryDir displayFolder;
    xvfb.setStandardOutputFile(displayFolder.filePath(QStringLiteral("display")));
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                        QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("1600x1200x24"),
                                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QString display;
    for (int i = 0; i < 100 && display.isEmpty(); ++i) {
        QThread::msleep(50);
        QFile file(displayFolder.filePath(QStringLiteral("display")));
        if (file.open(QIODevice::ReadOnly))
            display = QStringLiteral(":") + QString::fromLatin1(file.readAll().trimmed());
        if (display == QLatin1String(":"))
            display.clear();
    }
    if (display.isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t root = screen->root;
    const quint32 background = RootColour;
    xcb_change_window_attributes(connection, root, XCB_CW_BACK_PIXEL, &background);
    xcb_clear_area(connection, 0, root, 0, 0, 0, 0);
    xcb_flush(connection);

    struct Subject
    {
        const char *name;
        QString program;
        std::optional<QPoint> probe;
    };
    // Tilora shows at (42, 142); its first tile's picture is the board.
    const std::vector<Subject> subjects{
        {"tilora", tilora, QPoint(42 + 18 + 30, 142 + 18 + 30)},
        {"sgt-fifteen", QStringLiteral("/usr/games/sgt-fifteen"), std::nullopt},
        {"empty Qt", QStringLiteral(TILORA_EMPTY_WINDOW), QPoint(42 + 143, 142 + 143)},
    };
    struct Figures
    {
        double time;
        double resident;
        double proportional;
    };
    std::vector<Figures> results;
    for (const Subject &subject : subjects) {
        std::vector<double> times;
        std::vector<double> memory;
        std::vector<double> proportional;
        for (int run = 0; run < runs; ++run) {
            const auto result = launch(connection, root, subject.program, folder.path(),
                                       subject.probe, display);
            if (!result) {
                std::fprintf(stderr, "%s: no window\n", subject.name);
                break;
            }
            times.push_back(result->milliseconds);
            memory.push_back(result->residentMegabytes);
            proportional.push_back(result->proportionalMegabytes);
        }
        results.push_back({median(times), median(memory), median(proportional)});
        std::printf("%-12s launch to first board: median %6.1f ms   resident %5.1f MB   "
                    "proportional %5.1f MB   (%d runs)\n",
                    subject.name, median(times), median(memory), median(proportional),
                    int(times.size()));
    }
    if (results.size() >= 2 && results[0].time > 0 && results[0].resident > 0
        && results[0].proportional > 0) {
        std::printf("sgt-fifteen / tilora: time %.2fx, resident %.2fx, proportional %.2fx "
                    "(target: tilora under 150 ms and 50 MB, at least 2x faster and 2x leaner)\n",
                    results[1].time / results[0].time, results[1].resident / results[0].resident,
                    results[1].proportional / results[0].proportional);
    }
    xcb_disconnect(connection);
    xvfb.kill();
    xvfb.waitForFinished();
    return 0;
}

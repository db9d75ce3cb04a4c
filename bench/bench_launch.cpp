// Launch figures: from starting a program to its first board on the screen, and the memory it
// holds 300 ms later, for Tilora beside two floors (an empty Qt window, and the same window with
// one label of text: the least a Qt program that shows text can do) and another sliding puzzle.
//
// The programs take turns: every round starts each of them once, in a new random order, once
// with XDG_RUNTIME_DIR on a private tmpfs folder (as a desktop session has it) and once without
// it, so that a busy moment of the shared machine falls on all of them alike. A Qt program and
// a GTK program run on a second display all the while, as on a desktop, so that the libraries'
// pages are shared and the USS is what each program holds for itself.
//
//   bench_launch [rounds] [name=program ...]
//
// Each name=program is another build of Tilora started beside the others, for paired
// comparisons: listed from the oldest, each is compared with the next and the last with
// this build. Needs Xvfb and sgt-puzzles (tools/install-deps.sh --bench).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr quint32 RootColour = 0x10E0B0;
constexpr int SettleMs = 300;

struct Launch
{
    double milliseconds = 0;
    double processorMilliseconds = 0; // on a processor until then, all threads
    double rss = 0; // megabytes resident
    double pss = 0; // resident, shared pages divided among their users
    double uss = 0; // resident and the process's alone
};

struct Subject
{
    QString name;
    QString program;
    QStringList arguments;
    std::optional<QPoint> probe; // none: the middle of the first window that shows
};

// The median and the middle half of a set of figures.
struct Spread
{
    double median = 0;
    double low = 0;
    double high = 0;
};

Spread spreadOf(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    const auto at = [&values](double fraction) {
        return values[size_t(fraction * double(values.size() - 1) + 0.5)];
    };
    return {at(0.5), at(0.25), at(0.75)};
}

QByteArray formatted(const Spread &spread, int decimals)
{
    return QByteArray::number(spread.median, 'f', decimals) + " ("
        + QByteArray::number(spread.low, 'f', decimals) + " .. "
        + QByteArray::number(spread.high, 'f', decimals) + ")";
}

// Kilobytes of the named fields of a /proc file, summed, in megabytes.
double megabytesOf(const QString &file, std::initializer_list<QByteArray> fields)
{
    QFile status(file);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    double kilobytes = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        for (const QByteArray &field : fields) {
            if (line.startsWith(field))
                kilobytes += line.mid(field.size()).trimmed().split(' ').first().toDouble();
        }
    }
    return kilobytes / 1024.0;
}

// The time the process's threads have run so far: on a shared machine it shows the work done,
// where the time to the picture also holds the waits for a processor.
double processorMilliseconds(qint64 pid)
{
    double nanoseconds = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks.filePath(task + QLatin1String("/schedstat")));
        if (schedstat.open(QIODevice::ReadOnly))
            nanoseconds += schedstat.readAll().split(' ').first().toDouble();
    }
    return nanoseconds / 1e6;
}

quint32 pixel(xcb_connection_t *connection, xcb_window_t root, QPoint at)
{
    xcb_get_image_reply_t *reply = xcb_get_image_reply(connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, at.x(), at.y(), 1, 1, ~0u),
        nullptr);
    if (!reply)
        return RootColour;
    quint32 value = 0;
    std::memcpy(&value, xcb_get_image_data(reply), 4);
    free(reply);
    return value & 0xFFFFFF;
}

// The middle of the first mapped top-level window larger than a tooltip, if any.
std::optional<QPoint> firstWindowMiddle(xcb_connection_t *connection, xcb_window_t root)
{
    std::optional<QPoint> middle;
    xcb_query_tree_reply_t *tree
        = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree)
        return middle;
    xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !middle; ++i) {
        auto *attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        const bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        if (!mapped)
            continue;
        auto *geometry = xcb_get_geometry_reply(
            connection, xcb_get_geometry(connection, children[i]), nullptr);
        if (geometry && geometry->width > 20 && geometry->height > 20)
            middle = QPoint(geometry->x + geometry->width / 2, geometry->y + geometry->height / 2);
        free(geometry);
    }
    free(tree);
    return middle;
}

// A killed program's windows go when the server notices; the next launch must not find them.
void waitForBareScreen(xcb_connection_t *connection, xcb_window_t root)
{
    QElapsedTimer timer;
    timer.start();
    while (firstWindowMiddle(connection, root) && timer.elapsed() < 5000)
        QThread::usleep(500);
}

// Starts the subject and waits until the probe point shows something other than the bare
// screen.
std::optional<Launch> launch(xcb_connection_t *connection, xcb_window_t root,
    const Subject &subject, const QProcessEnvironment &environment, const QString &folder)
{
    waitForBareScreen(connection, root);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    process.start(subject.program, subject.arguments);
    if (!process.waitForStarted(5000))
        return std::nullopt;

    std::optional<QPoint> point = subject.probe;
    bool shown = false;
    while (!shown && timer.elapsed() < 20000) {
        if (!point)
            point = firstWindowMiddle(connection, root);
        shown = point && pixel(connection, root, *point) != RootColour;
        if (!shown)
            QThread::usleep(500);
    }
    Launch result;
    result.milliseconds = timer.nsecsElapsed() / 1e6;
    result.processorMilliseconds = processorMilliseconds(process.processId());
    // Start-up work that follows the first picture counts as well.
    QThread::msleep(SettleMs);
    const QString proc = QStringLiteral("/proc/%1/").arg(process.processId());
    result.rss = megabytesOf(proc + QLatin1String("status"), {"VmRSS:"});
    result.pss = megabytesOf(proc + QLatin1String("smaps_rollup"), {"Pss:"});
    result.uss
        = megabytesOf(proc + QLatin1String("smaps_rollup"), {"Private_Clean:", "Private_Dirty:"});
    process.kill();
    process.waitForFinished(5000);
    if (!shown)
        return std::nullopt;
    return result;
}

// A folder with a copy of a Tilora build and its settings: not the first start (no help
// window), a known board.
bool prepareTilora(const QString &binary, const QString &folder, QString *copy)
{
    *copy = QDir(folder).filePath(QStringLiteral("tilora"));
    if (!QDir().mkpath(folder) || !QFile::copy(binary, *copy))
        return false;
    QFile::setPermissions(*copy, QFile::permissions(*copy) | QFileDevice::ExeOwner);
    QFile ini(QDir(folder).filePath(QStringLiteral("tilora.ini")));
    return ini.open(QIODevice::WriteOnly) && ini.write("[Allgemein]\nBild=Motiv A\n") > 0;
}

QString startXvfb(QProcess &xvfb, const QString &displayFile)
{
    xvfb.setStandardOutputFile(displayFile);
    xvfb.start(QStringLiteral("Xvfb"),
        {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
            QStringLiteral("0"), QStringLiteral("1600x1200x24"), QStringLiteral("-nolisten"),
            QStringLiteral("tcp")});
    for (int i = 0; i < 100; ++i) {
        QThread::msleep(50);
        QFile file(displayFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray number = file.readAll().trimmed();
            if (!number.isEmpty())
                return QStringLiteral(":") + QString::fromLatin1(number);
        }
    }
    return {};
}

struct Condition
{
    const char *title;
    QProcessEnvironment environment;
    bool runtimeFolder;
};

using Results = std::map<QString, std::vector<Launch>>; // by subject name, one per round

std::vector<double> figures(const std::vector<Launch> &launches, double Launch::*field)
{
    std::vector<double> values;
    for (const Launch &one : launches)
        values.push_back(one.*field);
    return values;
}

// a's figure over b's (or minus b's), round by round.
std::vector<double> paired(const std::vector<Launch> &a, const std::vector<Launch> &b,
    double Launch::*field, bool ratio)
{
    std::vector<double> values;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        values.push_back(ratio ? a[i].*field / b[i].*field : a[i].*field - b[i].*field);
    return values;
}

void report(const Condition &condition, const std::vector<Subject> &subjects, Results &results)
{
    std::printf("\n%s\n", condition.title);
    std::printf("%-14s %-22s %-9s %-9s %-22s %-19s %-19s %-19s\n", "program", "ms to paint",
        "x empty", "x text", "processor ms", "RSS MB", "PSS MB", "USS MB");
    const std::vector<Launch> &empty = results[subjects[0].name];
    const std::vector<Launch> &text = results[subjects[1].name];
    for (const Subject &subject : subjects) {
        const std::vector<Launch> &launches = results[subject.name];
        std::printf("%-14s %-22s %-9.2f %-9.2f %-22s %-19s %-19s %-19s\n",
            qPrintable(subject.name),
            formatted(spreadOf(figures(launches, &Launch::milliseconds)), 1).constData(),
            spreadOf(paired(launches, empty, &Launch::milliseconds, true)).median,
            spreadOf(paired(launches, text, &Launch::milliseconds, true)).median,
            formatted(spreadOf(figures(launches, &Launch::processorMilliseconds)), 1).constData(),
            formatted(spreadOf(figures(launches, &Launch::rss)), 1).constData(),
            formatted(spreadOf(figures(launches, &Launch::pss)), 1).constData(),
            formatted(spreadOf(figures(launches, &Launch::uss)), 1).constData());
    }
    const std::vector<Launch> &puzzle = results[subjects[3].name];
    for (size_t index = 2; index < subjects.size(); ++index) {
        if (index == 3)
            continue;
        const std::vector<Launch> &tilora = results[subjects[index].name];
        int ahead = 0;
        for (size_t i = 0; i < std::min(tilora.size(), puzzle.size()); ++i)
            ahead += tilora[i].milliseconds < puzzle[i].milliseconds ? 1 : 0;
        std::printf("%s, round by round: time %sx the text floor (goal at most 1.30), "
                    "processor %sx, RSS %s MB over it (goal at most 4.0);\n"
                    "    %s ms against sgt-fifteen, ahead in %d of %d rounds\n",
            qPrintable(subjects[index].name),
            formatted(spreadOf(paired(tilora, text, &Launch::milliseconds, true)), 2).constData(),
            formatted(spreadOf(paired(tilora, text, &Launch::processorMilliseconds, true)), 2)
                .constData(),
            formatted(spreadOf(paired(tilora, text, &Launch::rss, false)), 1).constData(),
            formatted(spreadOf(paired(tilora, puzzle, &Launch::milliseconds, false)), 1)
                .constData(),
            ahead, int(std::min(tilora.size(), puzzle.size())));
    }
    // The other builds in the order given, then this one: what each step changed.
    std::vector<size_t> chain;
    for (size_t index = 4; index < subjects.size(); ++index)
        chain.push_back(index);
    chain.push_back(2);
    for (size_t step = 1; step < chain.size(); ++step) {
        const std::vector<Launch> &from = results[subjects[chain[step - 1]].name];
        const std::vector<Launch> &to = results[subjects[chain[step]].name];
        std::printf("%s -> %s, round by round: time %s ms, processor %s ms, RSS %s MB, USS %s MB\n",
            qPrintable(subjects[chain[step - 1]].name), qPrintable(subjects[chain[step]].name),
            formatted(spreadOf(paired(to, from, &Launch::milliseconds, false)), 1).constData(),
            formatted(spreadOf(paired(to, from, &Launch::processorMilliseconds, false)), 1)
                .constData(),
            formatted(spreadOf(paired(to, from, &Launch::rss, false)), 2).constData(),
            formatted(spreadOf(paired(to, from, &Launch::uss, false)), 2).constData());
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 40;

    QTemporaryDir folder;
    std::vector<Subject> subjects{
        {QStringLiteral("empty QWidget"), QStringLiteral(TILORA_EMPTY_WINDOW), {},
            QPoint(42 + 143, 142 + 143)},
        {QStringLiteral("text floor"), QStringLiteral(TILORA_EMPTY_WINDOW),
            {QStringLiteral("--text")}, QPoint(42 + 143, 142 + 143)},
        {QStringLiteral("tilora"), QStringLiteral(TILORA_BINARY), {}, std::nullopt},
        {QStringLiteral("sgt-fifteen"), QStringLiteral("/usr/games/sgt-fifteen"), {},
            std::nullopt},
    };
    for (int i = 2; i < argc; ++i) {
        const QStringList nameAndProgram = QString::fromLocal8Bit(argv[i]).split(u'=');
        if (nameAndProgram.size() != 2) {
            std::fprintf(stderr, "expected name=program, not %s\n", argv[i]);
            return 2;
        }
        subjects.push_back({nameAndProgram[0], nameAndProgram[1], {}, std::nullopt});
    }
    // Every build of Tilora in a folder of its own; its first tile's picture is the board.
    for (Subject &subject : subjects) {
        if (subject.name == QLatin1String("sgt-fifteen") || subject.probe)
            continue;
        const QString binary = subject.program;
        if (!prepareTilora(binary, folder.filePath(subject.name), &subject.program)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(binary));
            return 1;
        }
        subject.probe = QPoint(42 + 18 + 30, 142 + 18 + 30);
    }

    QProcess xvfb;
    QProcess desktopXvfb;
    const QString display = startXvfb(xvfb, folder.filePath(QStringLiteral("display")));
    const QString desktop = startXvfb(desktopXvfb, folder.filePath(QStringLiteral("desktop")));
    if (display.isEmpty() || desktop.isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const quint32 background = RootColour;
    xcb_change_window_attributes(connection, root, XCB_CW_BACK_PIXEL, &background);
    xcb_clear_area(connection, 0, root, 0, 0, 0, 0);
    xcb_flush(connection);

    // Every program a home of its own on the disk, as a player's is, and a runtime folder of
    // its own on tmpfs, private; so builds of Tilora never meet each other's lock.
    QTemporaryDir runtime(QStringLiteral("/dev/shm/bench-launch-XXXXXX"));
    if (!runtime.isValid()) {
        std::fprintf(stderr, "no private folder on /dev/shm\n");
        return 1;
    }
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
             "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        base.remove(QString::fromLatin1(name));
    base.insert(QStringLiteral("DISPLAY"), display);
    base.insert(QStringLiteral("HOME"), folder.filePath(QStringLiteral("home")));
    std::vector<std::unique_ptr<QProcess>> desktopPrograms;
    for (const Subject &subject : {subjects[1], subjects[3]}) {
        auto &program = desktopPrograms.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = base;
        environment.insert(QStringLiteral("DISPLAY"), desktop);
        program->setProcessEnvironment(environment);
        program->setStandardOutputFile(QProcess::nullDevice());
        program->setStandardErrorFile(QProcess::nullDevice());
        program->start(subject.program, subject.arguments);
    }
    std::vector<Condition> conditions{{"XDG_RUNTIME_DIR: a private folder on tmpfs", base, true},
        {"XDG_RUNTIME_DIR unset", base, false}};
    const auto environmentOf = [&](const Condition &condition, size_t subject) {
        QProcessEnvironment environment = condition.environment;
        const QString home = folder.filePath(QStringLiteral("home/%1").arg(subject));
        QDir().mkpath(home);
        environment.insert(QStringLiteral("HOME"), home);
        if (condition.runtimeFolder) {
            const QString own = runtime.filePath(QString::number(subject));
            QDir().mkdir(own);
            QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                    | QFileDevice::ExeOwner);
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), own);
        }
        return environment;
    };

    struct Run
    {
        size_t condition;
        size_t subject;
    };
    std::vector<Run> order;
    for (size_t condition = 0; condition < conditions.size(); ++condition) {
        for (size_t subject = 0; subject < subjects.size(); ++subject)
            order.push_back({condition, subject});
    }
    std::vector<Results> results(conditions.size());
    std::mt19937 random(std::random_device {}());
    // Round 0 warms the caches and is not counted.
    for (int round = 0; round <= rounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (const Run &run : order) {
            const Subject &subject = subjects[run.subject];
            const auto result = launch(connection, root, subject,
                environmentOf(conditions[run.condition], run.subject),
                QFileInfo(subject.program).path());
            if (!result) {
                std::fprintf(stderr, "%s: no window\n", qPrintable(subject.name));
                return 1;
            }
            if (round > 0)
                results[run.condition][subject.name].push_back(*result);
        }
        std::fprintf(stderr, "\rround %d of %d", round, rounds);
    }
    std::fprintf(stderr, "\n");

    std::printf("Launch to the first board on Xvfb, %d rounds, the programs interleaved in a new "
                "random order each round.\nMedians, the middle half of the rounds in brackets; "
                "\"x\" columns are round-by-round ratios. Memory %d ms after the first board.\n",
        rounds, SettleMs);
    for (size_t condition = 0; condition < conditions.size(); ++condition)
        report(conditions[condition], subjects, results[condition]);

    xcb_disconnect(connection);
    for (auto &program : desktopPrograms) {
        program->kill();
        program->waitForFinished();
    }
    for (QProcess *server : {&xvfb, &desktopXvfb}) {
        server->kill();
        server->waitForFinished();
    }
    return 0;
}

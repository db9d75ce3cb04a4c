#pragma once

// What the fuzz targets share: an application for the code that needs one, a private folder
// for the files they write, and the way a broken property stops the run.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

// Targets that link no widgets have no QApplication to start.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fuzz {

// Qt's warnings about damaged pictures would flood the output at thousands of inputs a second;
// fatal messages still show.
inline void quietQtMessages()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qUtf8Printable(text));
    });
}

#ifdef QT_WIDGETS_LIB
// Widgets need an application; nothing here draws on a screen.
inline void startApplication()
{
    if (QCoreApplication::instance())
        return;
    quietQtMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tilora-fuzz";
    static char *argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}
#endif

// A folder of our own, in memory when the system offers one, since every input is a file.
inline QString workFolder()
{
    static const std::unique_ptr<QTemporaryDir> folder = [] {
        const QString shm = QStringLiteral("/dev/shm");
        const QString base = QFileInfo(shm).isWritable() ? shm : QDir::tempPath();
        auto made = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tilora-fuzz-XXXXXX"));
        if (!made->isValid()) {
            std::fprintf(stderr, "cannot create a work folder in %s\n", qPrintable(base));
            std::abort();
        }
        return made;
    }();
    return folder->path();
}

inline void writeFile(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(bytes.data(), bytes.size()) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
}

// A broken property: the fuzzer keeps the input, the replay fails.
[[noreturn]] inline void fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "property broken: %s\n%s\n", what, qUtf8Printable(detail));
    std::fflush(stderr);
    std::abort();
}

inline void check(bool holds, const char *what, const QString &detail = QString())
{
    if (!holds)
        fail(what, detail);
}

} // namespace fuzz

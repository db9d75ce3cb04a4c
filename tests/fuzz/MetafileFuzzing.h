#pragma once

// The metafile targets: whole files of one format through the checks, the library in the
// module's code (linked in) and the SVG renderer, which draws text and so needs an application
// of the GUI kind (offscreen).

#include "PictureFuzzing.h"

#include "metafiles/MetafileRendering.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>

namespace fuzz {

inline void startGuiApplication()
{
    quietQtMessages();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tilora-fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    UseMetafileModule(MetafileRendering());
    // The system's fonts are looked up once per process, at the first text: not in a decode.
    QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Tilora"));
}

} // namespace fuzz

#define TILORA_METAFILE_TARGET(format) TILORA_DECODE_TARGET(format, fuzz::startGuiApplication())

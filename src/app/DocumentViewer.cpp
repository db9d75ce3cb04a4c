#include "app/DocumentViewer.h"

#include <QProcess>

bool OpenDocumentDetached(const QString &path)
{
    QProcess viewer;
    viewer.setProgram(QStringLiteral("xdg-open"));
    viewer.setArguments({path});
    viewer.setStandardInputFile(QProcess::nullDevice());
    viewer.setStandardOutputFile(QProcess::nullDevice());
    viewer.setStandardErrorFile(QProcess::nullDevice());
    return viewer.startDetached();
}

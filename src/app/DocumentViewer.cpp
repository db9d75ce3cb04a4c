#include "app/DocumentViewer.h"

#include <QProcess>

void OpenDocument(const QString &path, QObject *context, std::function<void()> failed)
{
    // The opener waits for the viewer it starts; only its exit status tells whether there was
    // one.
    auto *opener = new QProcess(context);
    opener->setProgram(QStringLiteral("xdg-open"));
    opener->setArguments({path});
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    const auto finish = [opener, failed](bool shown) {
        opener->deleteLater();
        if (!shown && failed)
            failed();
    };
    QObject::connect(
        opener, &QProcess::errorOccurred, opener, [finish](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finish(false);
        });
    QObject::connect(
        opener, &QProcess::finished, opener, [finish](int exitCode, QProcess::ExitStatus status) {
            finish(status == QProcess::NormalExit && exitCode == 0);
        });
    // The program ends before the viewer: the opener goes quietly, and the viewer, its child,
    // stays open.
    if (context) {
        QObject::connect(context, &QObject::destroyed, opener, [opener] {
            opener->disconnect();
            opener->kill();
            opener->waitForFinished();
        });
    }
    opener->start();
}

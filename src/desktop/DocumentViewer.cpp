#include "desktop/DocumentViewer.h"

#include "desktop/WindowPlacement.h"

#include <QKeySequence>
#include <QProcess>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

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

QWidget *ShowDocumentWindow(const QString &path, QWidget *owner)
{
    const QString name = QStringLiteral("Dokumentfenster");
    auto *window = owner->findChild<QTextBrowser *>(name, Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new QTextBrowser(owner);
        window->setObjectName(name);
        window->setWindowFlag(Qt::Window);
        window->setOpenExternalLinks(true);
        // The keys stay with the game: the help comes up beside it, for reading.
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->resize(640, 720);
        // Beside the game, where the screen has room; where the player puts it after that.
        window->move(Beside(*window, *owner));
        new QShortcut(QKeySequence(Qt::Key_Escape), window, window, &QWidget::close);
    }
    window->setSource(QUrl::fromLocalFile(path));
    window->setWindowTitle(window->documentTitle());
    window->show();
    window->raise();
    return window;
}

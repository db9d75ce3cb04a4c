#include "app/CloseSignals.h"
#include "desktop/DocumentViewer.h"
#include "support/TestWindows.h"
#include "main/HauptFenster.h"
#include "main/TiloraStein.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"
#include "logic/Errors.h"
#include "app/TiloraApplication.h"
#include "main/OpenPictureDialog.h"
#include "windows/einstellungenfenster.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <stdexcept>

// What the program arranges around its windows: an error that leaves an event handler ends
// in the error report and the program goes on; the toolkit's own dialogs speak German and
// show their own pointers; documents open in the desktop's viewer.
class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void toolkitSpeaksGerman(); // first: before anything asks for the toolkit's texts
    void errorsFromHandlersReachTheReport_data();
    void errorsFromHandlersReachTheReport();
    void toolkitDialogsShowTheirOwnPointer_data();
    void toolkitDialogsShowTheirOwnPointer();
    void pictureDialogOpensBesideThePicture_data();
    void pictureDialogOpensBesideThePicture();
    void viewerOutputGoesNowhere();
    void secondaryWindowsMadeWhenFirstNeeded_data();
    void secondaryWindowsMadeWhenFirstNeeded();
    void signalsAskToCloseOnce_data();
    void signalsAskToCloseOnce();
    void inheritedIgnoredSignalsStayIgnored();
};

namespace {

class ThrowingWidget : public QWidget
{
public:
    std::function<void()> thrower;

protected:
    void mousePressEvent(QMouseEvent *) override { thrower(); }
};

} // namespace

void TestApplication::cleanup()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void TestApplication::errorsFromHandlersReachTheReport_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program error") << 0 << QStringLiteral("Fehlertext");
    QTest::newRow("anything") << 2 << QStringLiteral("Unbekannter Fehler");
}

void TestApplication::errorsFromHandlersReachTheReport()
{
    QFETCH(int, kind);
    QFETCH(QString, expected);

    QStringList reports;
    const auto previous = CurrentErrorReporter();
    SetErrorReporter([&reports](const QString &text) { reports << text; });

    ThrowingWidget widget;
    widget.thrower = [kind] {
        if (kind == 0)
            throw ETiloraError(QStringLiteral("Fehlertext"));
        if (kind == 1)
            throw std::runtime_error("standard");
        throw 42;
    };
    widget.resize(50, 50);
    widget.show();
    QTest::mouseClick(&widget, Qt::LeftButton);
    // The loop goes on: a timer still fires after the error.
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    QTRY_VERIFY(fired);

    SetErrorReporter(previous);
    QCOMPARE(reports, QStringList {expected});
}

// The toolkit's texts are read when it first needs one, not at every start.
void TestApplication::toolkitSpeaksGerman()
{
    const QDir translations(QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!translations.exists(QStringLiteral("qtbase_de.qm")))
        QSKIP("the toolkit's translations are not installed");
    const auto translationsMapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/qtbase_de.qm");
    };
    QVERIFY(!translationsMapped());
    QCOMPARE(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    QCOMPARE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    const QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    QVERIFY(translationsMapped());
}

void TestApplication::toolkitDialogsShowTheirOwnPointer_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::newRow("open picture") << "QFileDialog";
    QTest::newRow("colour chooser") << "QColorDialog";
    QTest::newRow("font chooser") << "QFontDialog";
    QTest::newRow("error report") << "QMessageBox";
}

// The program's pointers are override cursors; over a toolkit dialog they would hide its
// I-beam and hands.
void TestApplication::toolkitDialogsShowTheirOwnPointer()
{
    QFETCH(QString, dialog);
    TEinstellungen settings;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
    QString shown;
    bool lifted = false;
    QTimer::singleShot(0, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        shown = modal ? QString::fromLatin1(modal->metaObject()->className()) : QString();
        lifted = !QGuiApplication::overrideCursor();
        if (auto *box = qobject_cast<QDialog *>(modal))
            box->reject();
    });
    if (dialog == u"QFileDialog")
        RunOpenPictureDialog(nullptr);
    else if (dialog == u"QColorDialog")
        settings.chooseColor(Qt::red);
    else if (dialog == u"QFontDialog")
        settings.chooseFont(QFont());
    else
        ReportError(QStringLiteral("Fehlertext"));
    QCOMPARE(shown, dialog);
    QVERIFY(lifted);
    // Back afterwards, in their order.
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QGuiApplication::restoreOverrideCursor();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestApplication::pictureDialogOpensBesideThePicture_data()
{
    QTest::addColumn<QString>("picture"); // a file in a folder of its own, or a motif
    QTest::addColumn<bool>("exists"); // the dialog opens beside it, else where it would without
    QTest::newRow("picture file") << "bild.bmp" << true;
    QTest::newRow("missing file") << "fehlt.bmp" << false;
    QTest::newRow("built-in motif") << "Motiv A" << false;
}

void TestApplication::pictureDialogOpensBesideThePicture()
{
    QFETCH(QString, picture);
    QFETCH(bool, exists);
    QTemporaryDir folder;
    const QString path = picture.startsWith(u"Motiv") ? picture : folder.filePath(picture);
    if (exists) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const auto openedIn = [this](const QString &current) {
        QString shown;
        QTimer::singleShot(0, this, [&shown] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                shown = dialog->directory().absolutePath();
                dialog->reject();
            }
        });
        RunOpenPictureDialog(nullptr, current);
        return shown;
    };
    const QString without = openedIn(QString());
    QVERIFY(!without.isEmpty());
    QCOMPARE(openedIn(path), exists ? QDir(folder.path()).absolutePath() : without);
}

// Without a web browser the desktop's opener reports every one it tried; none of that may
// reach the player's terminal.
void TestApplication::viewerOutputGoesNowhere()
{
    QTemporaryDir folder;
    const QString marker = folder.filePath(QStringLiteral("marker"));
    QFile viewer(folder.filePath(QStringLiteral("xdg-open")));
    QVERIFY(viewer.open(QIODevice::WriteOnly));
    // Notes where its output goes and what it was asked to open.
    viewer.write("#!/bin/sh\n"
                 "out=$(readlink /proc/$$/fd/1)\n"
                 "err=$(readlink /proc/$$/fd/2)\n"
                 "printf '%s\\n' \"$out\" \"$err\" \"$1\" > \"$0.part\"\n"
                 "mv \"$0.part\" \"$(dirname \"$0\")/marker\"\n"
                 "echo '/usr/bin/www-browser: not found'\n"
                 "echo '/usr/bin/links2: not found' >&2\n");
    viewer.close();
    viewer.setPermissions(viewer.permissions() | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder.path()) + ':' + path);
    bool failed = false;
    OpenDocument(QStringLiteral("/hilfe/tilora.html"), this, [&failed] { failed = true; });
    qputenv("PATH", path);
    QTRY_VERIFY(QFile::exists(marker));
    QVERIFY(!failed);
    QFile notes(marker);
    QVERIFY(notes.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromLocal8Bit(notes.readAll()).split(u'\n', Qt::SkipEmptyParts),
        (QStringList {"/dev/null", "/dev/null", "/hilfe/tilora.html"}));
}

void TestApplication::secondaryWindowsMadeWhenFirstNeeded_data()
{
    QTest::addColumn<QByteArray>("ini");
    // Keys, to the solution window while it shows; "game": a game begins; "right": a right press
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("made"); // class names
    QTest::newRow("start-up") << QByteArray() << "" << "";
    QTest::newRow("solution on at start") << QByteArray("Vorschau=1") << "" << "TVorschauFenster";
    QTest::newRow("F4") << QByteArray() << "F4" << "TVorschauFenster";
    QTest::newRow("F4, Esc on the solution") << QByteArray() << "F4 Esc" << "TVorschauFenster";
    QTest::newRow("F4 in number mode") << QByteArray() << "F6 F4" << "";
    QTest::newRow("F2") << QByteArray() << "F2" << "TForm3";
    QTest::newRow("right press, no game") << QByteArray() << "right" << "";
    QTest::newRow("right press in a game") << QByteArray() << "game right" << "TForm2";
    QTest::newRow("H") << QByteArray() << "H" << "THighscore";
    QTest::newRow("F9") << QByteArray() << "F9" << "TEinstellungen";
    QTest::newRow("close") << QByteArray() << "close" << "TAboutBox";
}

// Each window is made when the main window first needs it, owned by the main window: the
// window manager keeps it with it and gives it no taskbar entry.
void TestApplication::secondaryWindowsMadeWhenFirstNeeded()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, steps);
    QFETCH(QString, made);
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("tilora.ini")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Allgemein]\n" + ini) > 0);
    file.close();
    const std::unique_ptr<ProgramWindows> windows = CreateTestWindows(folder.path());
    TTiloraForm *main = windows->main.get();
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
    // The modal ones are closed as they show, the farewell window counted down at once.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&windows] {
        if (windows->about.isVisible())
            windows->about.made()->Timer1Timer();
        else if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(0);
    QWidget *tile = TileAt(*main, QPoint(0, 0))->PieceImage;
    for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
        if (step == u"game")
            QVERIFY(main->game().beginGameOn(main->game().puzzle()));
        else if (step == u"right")
            QTest::mouseClick(tile, Qt::RightButton);
        else if (step == u"close")
            main->close();
        else if (QWidget *solution = windows->preview.made(); solution && solution->isVisible())
            QTest::keyClick(solution, QKeySequence(step)[0].key());
        else
            QTest::keyClick(main, QKeySequence(step)[0].key());
    }
    QStringList names;
    for (QWidget *window : main->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!window->isWindow() || qobject_cast<QMenu *>(window))
            continue;
        names << QString::fromLatin1(window->metaObject()->className());
        window->winId();
        QVERIFY(window->windowHandle()->transientParent() == main->windowHandle());
    }
    QCOMPARE(names.join(u' '), made);
    // The solution window made after the board shows the board's picture; its mark says
    // whether it shows.
    if (const TVorschauFenster *solution = windows->preview.made()) {
        QCOMPARE(solution->VorschauBild->picture().toImage(), main->boardPicture().toImage());
        QCOMPARE(Child<QAction>(*main, "Vorschau1")->isChecked(), solution->isVisible());
    }
}

void TestApplication::signalsAskToCloseOnce_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("untouched");
    QTest::newRow("SIGTERM, then SIGHUP") << int(SIGTERM) << int(SIGHUP) << int(SIGINT);
    QTest::newRow("SIGINT, then SIGTERM") << int(SIGINT) << int(SIGTERM) << int(SIGHUP);
}

// A signal asks once; the next of its kind would end the program, as it would without us.
void TestApplication::signalsAskToCloseOnce()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, untouched);
    const auto caught = [](int signal) {
        struct sigaction action = {};
        return ::sigaction(signal, nullptr, &action) == 0 && action.sa_handler != SIG_DFL;
    };
    // The test library catches these signals itself; without it, default means not caught.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signal, SIG_DFL);
    {
        const CloseSignals closeSignals;
        QSignalSpy requests(&closeSignals, &CloseSignals::closeRequested);
        // Checked before any is raised: one not caught would end this test program.
        QVERIFY(caught(first) && caught(second) && caught(untouched));
        std::raise(first);
        QTRY_COMPARE(requests.count(), 1);
        QVERIFY(!caught(first) && caught(second));
        std::raise(second); // written to the pipe at once, read by the next pass of the loop
        QCoreApplication::processEvents();
        QCOMPARE(requests.count(), 1);
        QVERIFY(caught(untouched));
    }
    QVERIFY(!caught(untouched));
}

// A signal inherited as ignored (nohup) stays ignored, before and after; the others still ask.
void TestApplication::inheritedIgnoredSignalsStayIgnored()
{
    struct sigaction action = {};
    std::signal(SIGHUP, SIG_IGN);
    {
        const CloseSignals closeSignals;
        QSignalSpy requests(&closeSignals, &CloseSignals::closeRequested);
        QVERIFY(::sigaction(SIGHUP, nullptr, &action) == 0 && action.sa_handler == SIG_IGN);
        std::raise(SIGTERM);
        QTRY_COMPARE(requests.count(), 1);
    }
    QVERIFY(std::signal(SIGHUP, SIG_DFL) == SIG_IGN);
}

int main(int argc, char *argv[])
{
    TiloraApplication application(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"

#pragma once

#include <QApplication>
#include <QString>

#include <functional>

// The application object. Qt lets an exception that leaves an event handler tear the
// whole program down; here it ends in a message box and the event loop goes on.
class TiloraApplication : public QApplication
{
    Q_OBJECT

public:
    using ErrorReporter = std::function<void(const QString &message)>;

    TiloraApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the text of an error that escaped a handler. Tests install their own reporter.
    static void reportError(const QString &message);
    static void setErrorReporter(ErrorReporter reporter);
    static ErrorReporter errorReporter();
};

// Runs the general error report for an exception caught anywhere outside an event handler.
void ReportCurrentException();

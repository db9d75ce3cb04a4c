#pragma once

#include <QString>

#include <functional>

// Where the program tells the player about an error it cannot handle itself: by default a
// message box. Tests install their own reporter.
using ErrorReporter = std::function<void(const QString &message)>;

// Shows the text of an error through the installed reporter (none: nothing is shown).
void ReportError(const QString &message);
void SetErrorReporter(ErrorReporter reporter);
ErrorReporter CurrentErrorReporter();

// Runs the general error report for the exception being handled: to be called from a catch
// block, in an event handler or anywhere else.
void ReportCurrentException();

#pragma once

#include <QObject>
#include <QString>

class QWidget;

#include <functional>

// Opens a document in the desktop's viewer for its type and returns at once. What the viewer
// and its helpers print (a missing browser is reported at length) goes nowhere. When no viewer
// could show the document (no opener installed, or the opener found none), `failed` runs later,
// from the event loop, unless `context` has gone by then. A viewer still open when the program
// ends stays open.
void OpenDocument(const QString &path, QObject *context, std::function<void()> failed = {});

// Shows an HTML document in a window of the program's own, for a desktop with no viewer: one
// window for the owner, brought forward where it stands when asked for again, without taking
// the keys from the owner. Esc closes it.
QWidget *ShowDocumentWindow(const QString &path, QWidget *owner);

#pragma once

#include <QString>

// Opens a document in the desktop's viewer for its type and returns at once. What the viewer
// and its helpers print (a missing browser is reported at length) goes nowhere. Returns
// whether the viewer could be started.
bool OpenDocumentDetached(const QString &path);

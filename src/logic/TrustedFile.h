#pragma once

// Code the program runs from a file (its metafile module) must be a file that nobody but the
// player and root can have put or changed there.

#include <QString>

// Opens the file for reading when it and every folder above it belong to the player or root
// and nobody else may write them. A folder that others may write is allowed only above the
// file's own folder and with the sticky bit (like /tmp): nobody else may then move or replace
// what the player owns in it. Links in the path are resolved first; what is opened is what
// was checked, one folder at a time. Returns the descriptor (close-on-exec), or -1.
int OpenTrustedFile(const QString &path);

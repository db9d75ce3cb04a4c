#pragma once

// What the command line asks of the program before it opens a window: "--help" and
// "--version" are answered as a command-line program answers them, on standard output, and
// the program ends; anything else starts the game (Qt's own options included).

#include <QByteArrayList>
#include <QString>

#include <optional>

// The text to print, or none to start the game. arguments are without the program's name.
std::optional<QString> CommandLineAnswer(const QByteArrayList &arguments);

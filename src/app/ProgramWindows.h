#pragma once

#include "logic/FileLocations.h"
#include "windows/SecondaryWindows.h"

#include <memory>

class TTiloraForm;

// Every window of the program: the main window, made first (it reads the settings), and its
// helpers, each made when the main window first needs it and tied to it then.
struct ProgramWindows : SecondaryWindows
{
    // The settings and high score files are where the caller says: decided once at start-up.
    explicit ProgramWindows(const FileLocations &files);
    ~ProgramWindows();

    std::unique_ptr<TTiloraForm> main;
};

std::unique_ptr<ProgramWindows> CreateProgramWindows(const FileLocations &files);

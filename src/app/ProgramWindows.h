#pragma once

#include "logic/FileLocations.h"

#include <memory>

class TAboutBox;
class TEinstellungen;
class TForm2;
class TForm3;
class THighscore;
class TMeldung;
class TTiloraForm;
class TVorschauFenster;

// Every window of the program, each created once, in the fixed order: the main window first
// (it reads the settings), then the about, start, magnifier, solution, message and high score
// windows and the settings dialog.
struct ProgramWindows
{
    ProgramWindows();
    ~ProgramWindows();

    std::unique_ptr<TTiloraForm> main;
    std::unique_ptr<TAboutBox> about;
    std::unique_ptr<TForm3> start;
    std::unique_ptr<TForm2> magnifier;
    std::unique_ptr<TVorschauFenster> preview;
    std::unique_ptr<TMeldung> message;
    std::unique_ptr<THighscore> highscore;
    std::unique_ptr<TEinstellungen> settings;
};

// The settings and high score files are where the caller says: decided once at start-up.
std::unique_ptr<ProgramWindows> CreateProgramWindows(const FileLocations &files);

#include "app/ProgramWindows.h"

#include "main/HauptFenster.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"
#include "windows/Unit2.h"

ProgramWindows::ProgramWindows() = default;

ProgramWindows::~ProgramWindows()
{
    // The main window goes last: the others are its helpers.
    settings.reset();
    highscore.reset();
    message.reset();
    preview.reset();
    magnifier.reset();
    start.reset();
    about.reset();
    main.reset();
}

std::unique_ptr<ProgramWindows> CreateProgramWindows(const FileLocations &files)
{
    auto windows = std::make_unique<ProgramWindows>();
    windows->main = std::make_unique<TTiloraForm>(files.settingsFile);
    windows->about = std::make_unique<TAboutBox>();
    windows->start = std::make_unique<TForm3>();
    windows->magnifier = std::make_unique<TForm2>();
    windows->preview = std::make_unique<TVorschauFenster>();
    windows->message = std::make_unique<TMeldung>();
    windows->highscore = std::make_unique<THighscore>(files.highscoreFile);
    windows->settings = std::make_unique<TEinstellungen>();

    TTiloraForm::Windows links;
    links.about = windows->about.get();
    links.start = windows->start.get();
    links.magnifier = windows->magnifier.get();
    links.preview = windows->preview.get();
    links.message = windows->message.get();
    links.highscore = windows->highscore.get();
    links.settings = windows->settings.get();
    windows->main->setWindows(links);
    return windows;
}

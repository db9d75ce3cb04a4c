#include "app/ProgramWindows.h"

#include "app/FocusReturn.h"
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
    // The main window goes last: the others are its helpers (and its children, which it would
    // otherwise delete a second time).
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
    // The others belong to the main window: the window manager keeps them with it (above
    // it, minimised and restored with it) and gives them no taskbar entry of their own.
    TTiloraForm *owner = windows->main.get();
    windows->about = std::make_unique<TAboutBox>(owner);
    windows->start = std::make_unique<TForm3>(owner);
    windows->magnifier = std::make_unique<TForm2>(owner);
    windows->preview = std::make_unique<TVorschauFenster>(owner);
    windows->message = std::make_unique<TMeldung>(owner);
    windows->highscore = std::make_unique<THighscore>(files.highscoreFile, owner);
    windows->settings = std::make_unique<TEinstellungen>(owner);
    // Without a window manager nobody else gives the keys back when one of them closes.
    new FocusReturn(owner);

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

#include "app/ProgramWindows.h"

#include "desktop/FocusReturn.h"
#include "main/HauptFenster.h"
#include "windows/Unit2.h"
#include "windows/bildfenster.h"
#include "windows/einstellungenfenster.h"
#include "windows/highscorefenster.h"
#include "windows/meldungsfenster.h"
#include "windows/startenfenster.h"
#include "windows/ueberfenster.h"

namespace {

// The others belong to the main window, their Qt parent, which deletes them: the window
// manager keeps them with it (above it, minimised and restored with it) and gives them no
// taskbar entry of their own.
template <class Window>
void madeOwnedBy(OnFirstUse<Window> &window, const std::unique_ptr<TTiloraForm> &main)
{
    window.make = [&main] { return new Window(main.get()); };
}

} // namespace

ProgramWindows::ProgramWindows(const FileLocations &files)
{
    madeOwnedBy(magnifier, main);
    madeOwnedBy(message, main);
    madeOwnedBy(settings, main);
    about.make = [this] {
        auto *window = new TAboutBox(main.get());
        window->openHelp = [owner = main.get()] { owner->OpenHelp(); };
        return window;
    };
    start.make = [this] {
        auto *window = new TForm3(main.get());
        QObject::connect(window, &TForm3::dismissed, &main->game(), &Game::dismissShuffle);
        return window;
    };
    preview.make = [this] {
        auto *window = new TVorschauFenster(main.get());
        // Closing the solution window clears the mark of "Lösung anzeigen".
        QObject::connect(window, &TVorschauFenster::closed, &main->game(),
            &Game::toggleSolutionView);
        // Made after a board was built, it shows that board's picture at once.
        const QPixmap &picture = main->boardPicture();
        if (!picture.isNull()) {
            window->prepareFor(picture.deviceIndependentSize().toSize());
            window->setPicture(picture);
        }
        return window;
    };
    highscore.make = [this, file = files.highscoreFile] {
        auto *window = new THighscore(file, main.get());
        window->configuration = [game = &main->game()] { return game->highscoreConfiguration(); };
        window->centreOn(main.get());
        return window;
    };
    main = std::make_unique<TTiloraForm>(files.settingsFile, *this);
    // Without a window manager nobody else gives the keys back when one of them closes.
    new FocusReturn(main.get());
}

ProgramWindows::~ProgramWindows()
{
    // The main window goes last, and whole: the others are its helpers, tied to its slots, and
    // go first. They are its children; deleting one takes it out of the main window's list.
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
    return std::make_unique<ProgramWindows>(files);
}

#pragma once

#include <QPointer>

#include <functional>

class TAboutBox;
class TEinstellungen;
class TForm2;
class TForm3;
class THighscore;
class TMeldung;
class TVorschauFenster;

// A window made the first time it is asked for: the program starts faster without windows it
// may never show. The window belongs to its Qt parent (the main window), which deletes it; this
// only remembers it, and forgets it when it goes.
template <class Window>
class OnFirstUse
{
public:
    // Makes the window as a child of its owner and ties it to the others; called once, at the
    // first use.
    std::function<Window *()> make;

    Window &operator()()
    {
        if (!m_window)
            m_window = make();
        return *m_window;
    }
    // The window if it has been made, without making it.
    Window *made() const { return m_window.data(); }
    // A window not made yet shows nothing and has nothing to hide.
    bool isVisible() const { return m_window && m_window->isVisible(); }
    void hide()
    {
        if (m_window)
            m_window->hide();
    }
    // Deletes the window now rather than with its owner.
    void reset() { delete m_window.data(); }

private:
    QPointer<Window> m_window;
};

// The main window's helpers, each made when it is first needed.
struct SecondaryWindows
{
    OnFirstUse<TAboutBox> about;
    OnFirstUse<TForm3> start;
    OnFirstUse<TForm2> magnifier;
    OnFirstUse<TVorschauFenster> preview;
    OnFirstUse<TMeldung> message;
    OnFirstUse<THighscore> highscore;
    OnFirstUse<TEinstellungen> settings;
};

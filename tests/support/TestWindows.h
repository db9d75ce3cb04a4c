#pragma once

// The program's windows for widget tests, their files in a folder of the test's own.

#include "app/ProgramWindows.h"
#include "logic/FileLocations.h"
#include "main/HauptFenster.h"

#include <memory>

inline std::unique_ptr<ProgramWindows> CreateTestWindows(const QString &folder)
{
    return CreateProgramWindows(fileLocationsIn(folder));
}

// The picture the next build shows; a file that is not there gives the motif.
inline void SetPictureName(TTiloraForm &window, const QString &name)
{
    Settings settings = window.game().settings();
    settings.pictureName = name;
    window.game().setSettings(settings);
}

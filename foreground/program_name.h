#pragma once

#include <QString>

/// The window title as the title buffer keeps it: its first kTitleBufferUnits - 1 UTF-16 units.
QString cutTitle(const QString &windowTitle);

/// The program name looked up in the shortcut data, from the window's executable and title.
QString chooseProgramName(const QString &exeName, const QString &windowTitle);

#pragma once

#include <QString>
#include <QtGlobal>

// Window titles are read into a buffer of this many UTF-16 units, so at most one less is kept.
inline constexpr int kTitleBufferUnits = 128;

/// The name of the program owning the foreground window; empty when unknown, never shows anything.
QString foregroundProgramName();

/// The whole file name of the executable of process processId; empty when not found.
QString processExeName(quint32 processId);

#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>

// Window titles are read into a buffer of this many UTF-16 units, so at most one less is kept.
inline constexpr int kTitleBufferUnits = 128;

/// The name of the program owning the foreground window; empty when unknown, never shows anything.
QString foregroundProgramName();

/// Where the foreground window is, as far as the session tells: the screen (a Wayland output)
/// holding it by name, or else its frame in the window system's own pixels; both empty when
/// there is no window in front or the session cannot say.
struct ForegroundPlace {
    QString screenName;
    QRect frame;
};
ForegroundPlace foregroundWindowPlace();

/// The whole file name of the executable of process processId; empty when not found.
QString processExeName(quint32 processId);

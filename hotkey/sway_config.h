#pragma once

#include <QString>

// A key combination as sway binds it: X11 modifier bits (Shift 1, Control 4, Mod1 8, Mod4 64)
// and an XKB keysym.
struct SwayCombination {
    quint16 modifiers = 0;
    quint32 keysym = 0;
};

/// The combination as sway's bindsym writes it, such as "Ctrl+space".
QString swayCombinationText(const SwayCombination &combination);

/// Whether a sway configuration, with the files it includes (relative ones found from
/// configDir), binds a press of the combination outside any other binding mode.
bool swayConfigBinds(const QString &config, const QString &configDir,
                     const SwayCombination &combination);

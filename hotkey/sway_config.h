#pragma once

#include <QString>

#include <optional>

// A key combination as sway binds it: X11 modifier bits (Shift 1, Control 4, Mod1 8, Mod4 64)
// and an XKB keysym.
struct SwayCombination {
    quint16 modifiers = 0;
    quint32 keysym = 0;
};

/// The combination as sway's bindsym writes it, such as "Ctrl+space".
QString swayCombinationText(const SwayCombination &combination);

/// The first line of a sway configuration (the text sway loaded from configPath, then the files
/// it includes, as they are now) with a word that may stand for the combination, or an include
/// whose files cannot be told, as "file:line: text"; nullopt when there is none. It errs only
/// towards finding one: a word counts in any mode, under any flags and even outside a binding,
/// a variable with every value it is set to, and one that no line sets as whatever the rest of
/// its word lacks of the combination.
std::optional<QString> swayConfigMayBind(const QString &config, const QString &configPath,
                                         const SwayCombination &combination);

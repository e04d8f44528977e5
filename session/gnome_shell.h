#pragma once

/// Whether Keyglance runs in a Wayland session of GNOME Shell, where Mutter refuses programs the
/// layer shell, global key grabs and any word of the focused window.
bool gnomeWaylandSession();

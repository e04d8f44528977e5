#pragma once

/// Chooses, before the application object exists, how the popup appears in this session: on a
/// Wayland compositor with the layer shell, as a native overlay surface; elsewhere as an X11
/// window (through XWayland under Wayland). A platform the user chose for Qt stays chosen.
void prepareSession();

// Loaded into KWin by Keyglance: reports the active window to it at once and on every change,
// its caption changes included, so that Keyglance knows it before a key asks. An X11 window's id
// lets Keyglance ask XWayland for its process.
const receiver = "@RECEIVER@";
let active = null;

function report() {
    callDBus(receiver, "/KWinActiveWindow", "org.keyglance.KWinActiveWindow", "setActiveWindow",
             active ? String(active.pid) : "0",
             active ? String(active.windowId || 0) : "0",
             active ? String(active.resourceClass) : "",
             active ? String(active.caption) : "");
}

function activated(window) {
    try {
        if (active)
            active.captionChanged.disconnect(report);
    } catch (gone) {
        // The window closed, and its signals went with it.
    }
    active = window;
    if (active)
        active.captionChanged.connect(report);
    report();
}

// Plasma 6 names them windows, Plasma 5 clients.
if (workspace.windowActivated) {
    workspace.windowActivated.connect(activated);
    activated(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(activated);
    activated(workspace.activeClient);
}

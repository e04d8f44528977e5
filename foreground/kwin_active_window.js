// Loaded into KWin by Keyglance: reports the active window to it at once and on every change,
// its caption and its output changes included, so that Keyglance knows it before a key asks. An
// X11 window's id lets Keyglance ask XWayland for its process.
const receiver = "@RECEIVER@";
let active = null;

// Plasma 6 names the output; Plasma 5 gives its index only, and the frame tells which it is.
function place(window) {
    const frame = window.frameGeometry;
    return [window.output ? String(window.output.name) : "",
            [frame.x, frame.y, frame.width, frame.height].map(Math.round).join(" ")];
}

function report() {
    callDBus(receiver, "/KWinActiveWindow", "org.keyglance.KWinActiveWindow", "setActiveWindow",
             active ? String(active.pid) : "0",
             active ? String(active.windowId || 0) : "0",
             active ? String(active.resourceClass) : "",
             active ? String(active.caption) : "",
             ...(active ? place(active) : ["", ""]));
}

// Plasma 6 tells of a window's move to another output as outputChanged, Plasma 5 as screenChanged.
function follow(window, connect) {
    for (const changed of [window.captionChanged, window.outputChanged || window.screenChanged]) {
        if (!changed)
            continue;
        if (connect)
            changed.connect(report);
        else
            changed.disconnect(report);
    }
}

function activated(window) {
    try {
        if (active)
            follow(active, false);
    } catch (gone) {
        // The window closed, and its signals went with it.
    }
    active = window;
    if (active)
        follow(active, true);
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

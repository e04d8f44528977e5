#!/usr/bin/env bash
# Runs inside a headless GNOME Shell session (tests/gnome-session.sh, with Keyglance's extensions):
# foot in front with xlogo's 60 rows of the front programs' entries, ROUNDS starts of the
# Keyglance of BUILD and PRESSES presses in all, typed through Mutter's remote desktop API and timed
# by bench/latency_probe.py on XWayland, where the popup is, to its first frame; each start's first
# press 2 s after its ready line. GNOME 48 asks the user to confirm the portal's shortcut at the
# first start, which is answered as a user would. Writes a JSON line per press to RESULTS.
# Usage: gnome_session_bench.sh BUILD RESULTS ROUNDS PRESSES
set -euo pipefail
build=$1
results=$2
rounds=$3
presses=$4
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/scratch.sh"
. "$root/tests/wayland/gnome_shell.sh"

jq -s '.[0] + .[1] | .foot = .xlogo' "$root/data/data.json" "$root/bench/front-programs.json" \
    >"$work/data.json"
# Out of the overview GNOME starts in, to the program in front.
keys Escape
foot sh >/dev/null 2>&1 &
pids+=($!)
wait_for "[ \"\$(focused)\" = foot ]"
confirm_in_dialog >/dev/null 2>&1 &
pids+=($!)

cd "$work"
"$root/bench/latency_probe.py" latency --watcher "$build/bench/popup_watcher" --presses "$presses" \
    --rounds "$rounds" --settle-ms 2000 \
    --typer "$mutter_keys --serve Control_L space" --log "$work/" \
    --popup "keyglance:Keyglance:$build/keyglance" |
    jq -c 'select(.record == "press" and (.press == 0 or .pause_ms == 0)) | {record: "wayland_press",
        compositor: "gnome", until: "first frame (XWayland)", front: "foot", start, press,
        ms: .drawn_ms}' >>"$results"
cp "$work"/*.log "$(dirname "$results")/" 2>/dev/null || true

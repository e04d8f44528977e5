#!/usr/bin/env bash
# Key to popup under KWin, run inside tests/kwin-session.sh: Ctrl+Space typed through KWin's fake
# input over wev, timed from the key's press leaving the typing client to Keyglance's commit of
# the popup's first drawn frame, both as Wayland's debug log stamps them (one clock); KWin shows
# that frame at its next refresh, up to one more frame (16.7 ms at 60 Hz). Prints the figures.
# Usage: kwin_latency.sh <keyglance> <kwin-ctrl-space> [presses, 30]
set -euo pipefail
keyglance=$1
ctrl_space=$2
presses=${3:-30}
. "$(dirname "$0")/../scripts/scratch.sh"

jq -n '{wev: {"事件": {"Ctrl+C": "退出"}}}' >"$work/data.json"
export XDG_CONFIG_HOME=$work/config
wev >/dev/null 2>&1 &
pids+=($!)
(cd "$work" && WAYLAND_DEBUG=1 exec "$keyglance") >"$work/keyglance.log" 2>&1 &
pids+=($!)
wait_for "grep -q 'Is Registered:  true' '$work/keyglance.log'"
shown() { grep -c -F '设置可见' "$work/keyglance.log" || true; }
hidden() { grep -c -F '设置不可见' "$work/keyglance.log" || true; }

# A debug line's stamp in milliseconds: "[1234567.890] -> ...".
stamp() { sed -n 's/^\[ *\([0-9.]*\)\].*/\1/p' | head -n1; }
for i in $(seq 1 "$presses"); do
    pressed=$(WAYLAND_DEBUG=1 "$ctrl_space" 2>&1 | grep -F 'keyboard_key(57, 1)' | stamp)
    wait_for "[ \$(shown) -ge $i ]" 10
    "$ctrl_space"
    wait_for "[ \$(hidden) -ge $i ]" 10
    # The first buffer attached after the press, and the commit that shows it.
    awk -v after="$pressed" '
        !match($0, /^\[ *[0-9]+\.[0-9]+\]/) { next }
        { t = substr($0, 2, RLENGTH - 2) + 0 }
        t < after { next }
        !surface && /wl_surface@[0-9]+\.attach\(wl_buffer@/ { match($0, /wl_surface@[0-9]+/); surface = substr($0, RSTART, RLENGTH) }
        surface && index($0, surface ".commit()") { printf "%.1f\n", t - after; exit }
    ' "$work/keyglance.log" >>"$work/latency"
done
sort -n "$work/latency" | awk '{ v[NR] = $1 } END {
    printf "key to popup committed, ms over %d presses: min %.1f, median %.1f, max %.1f\n",
        NR, v[1], v[int((NR + 1) / 2)], v[NR] }'

#!/usr/bin/env bash
# Runs inside a headless compositor's session (tests/kwin-session.sh, tests/labwc-session.sh): wev in
# front, with xlogo's 60 rows of the front programs' entries; ROUNDS starts of Keyglance, its first
# press 2 s after its ready line, PRESSES presses in all for each. A press is TYPE, a command that
# types Ctrl+Space as a Wayland client, timed from its request matching STAMP (the key event the
# compositor acts on) to Keyglance's commit of the popup's first drawn frame, both as Wayland's
# debug log stamps them (one clock); the compositor shows that frame at its next refresh, up to one
# more frame (16.7 ms at 60 Hz). Writes a JSON line per press to RESULTS.
# Usage: typed_session_bench.sh COMPOSITOR KEYGLANCE RESULTS ROUNDS PRESSES STAMP TYPE...
set -euo pipefail
compositor=$1
keyglance=$2
results=$3
rounds=$4
presses=$5
stamp_request=$6
shift 6
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/scratch.sh"

jq -s '.[0] + .[1] | .wev = .xlogo' "$root/data/data.json" "$root/bench/front-programs.json" \
    >"$work/data.json"
export XDG_CONFIG_HOME=$work/config
wev >/dev/null 2>&1 &
pids+=($!)
shown() { grep -c -F '设置可见' "$log" || true; }
hidden() { grep -c -F '设置不可见' "$log" || true; }
# A debug line's stamp in milliseconds: "[1234567.890] -> ...".
stamp() { sed -n 's/^\[ *\([0-9.]*\)\].*/\1/p' | head -n1; }

for start in $(seq "$rounds"); do
    log=$work/keyglance-$start.log
    (cd "$work" && WAYLAND_DEBUG=1 exec "$keyglance") >"$log" 2>&1 &
    running=$!
    pids+=("$running")
    # Where the user binds the toggle command (labwc), Ctrl+Space is not registered, rightly.
    wait_for "grep -q 'Is Registered: ' '$log'" || { grep -v '^\[' "$log" >&2; exit 1; }
    sleep 2
    for press in $(seq 1 "$presses"); do
        pressed=$(WAYLAND_DEBUG=1 "$@" 2>&1 | grep -E "$stamp_request" | stamp)
        wait_for "[ \$(shown) -ge $press ]" 10
        "$@"
        wait_for "[ \$(hidden) -ge $press ]" 10
        # The first buffer attached after the press, and the commit that shows it (libwayland 1.21
        # logs objects as wl_surface@ID, 1.23 as wl_surface#ID).
        awk -v after="$pressed" -v press="$press" -v start="$start" -v compositor="$compositor" '
            !match($0, /^\[ *[0-9]+\.[0-9]+\]/) { next }
            { t = substr($0, 2, RLENGTH - 2) + 0 }
            t < after { next }
            !surface && /wl_surface[@#][0-9]+\.attach\(wl_buffer[@#]/ { match($0, /wl_surface[@#][0-9]+/); surface = substr($0, RSTART, RLENGTH) }
            surface && index($0, surface ".commit()") {
                printf "{\"record\":\"wayland_press\",\"compositor\":\"%s\",\"until\":\"committed\",\"front\":\"wev\",\"start\":%d,\"press\":%d,\"ms\":%.2f}\n", compositor, start, press, t - after
                exit
            }
        ' "$log" >>"$results"
    done
    kill "$running"
    wait "$running" || true
done

#!/usr/bin/env bash
# Runs inside a headless compositor's session (tests/sway-session.sh, kwin-session.sh,
# labwc-session.sh): FRONT in front with xlogo's 60 rows of the front programs' entries; ROUNDS
# starts of the Keyglance of BUILD, its first press 2 s after its ready line, PRESSES presses in
# all for each; a JSON line per press to RESULTS.
# Under sway, bench/sway_latency_probe times each press from outside, until the popup is on
# screen. Elsewhere a press is TYPE, a command that types Ctrl+Space as a Wayland client, timed
# from its request matching STAMP (the key event the compositor acts on) to Keyglance's commit of
# the popup's first drawn frame, both as Wayland's debug log stamps them (one clock); the
# compositor shows that frame at its next refresh, up to one more frame (16.7 ms at 60 Hz).
# FRONT is a command, named by its first word.
# Usage: wayland_session_bench.sh COMPOSITOR BUILD RESULTS ROUNDS PRESSES FRONT [STAMP TYPE...]
set -euo pipefail
compositor=$1
build=$2
results=$3
rounds=$4
presses=$5
read -ra front_command <<<"$6"
front=${front_command[0]}
stamp_request=${7:-}
shift $(($# < 7 ? $# : 7))
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/scratch.sh"

jq -s --arg front "$front" '.[0] + .[1] | .[$front] = .xlogo' "$root/data/data.json" \
    "$root/bench/front-programs.json" >"$work/data.json"
export XDG_CONFIG_HOME=$work/config
"${front_command[@]}" >/dev/null 2>&1 &
pids+=($!)
# sway_latency_probe takes the screen it first sees as the one without the popup.
[ "$compositor" != sway ] || wait_for "swaymsg -t get_tree | grep -q '\"app_id\": \"$front\"'"
shown() { grep -c -F '设置可见' "$log" || true; }
hidden() { grep -c -F '设置不可见' "$log" || true; }
# A debug line's stamp in milliseconds: "[1234567.890] -> ...".
stamp() { sed -n 's/^\[ *\([0-9.]*\)\].*/\1/p' | head -n1; }

# The presses of start $1, typed by "$@", each timed from Keyglance's debug log.
typed_presses() {
    local start=$1 pressed
    shift
    for press in $(seq 1 "$presses"); do
        pressed=$(WAYLAND_DEBUG=1 "$@" 2>&1 | grep -E "$stamp_request" | stamp)
        wait_for "[ \$(shown) -ge $press ]" 10
        "$@"
        wait_for "[ \$(hidden) -ge $press ]" 10
        # The first buffer attached after the press, and the commit that shows it (libwayland 1.21
        # logs objects as wl_surface@ID, 1.23 as wl_surface#ID).
        awk -v after="$pressed" -v press="$press" -v start="$start" -v compositor="$compositor" \
            -v front="$front" '
            !match($0, /^\[ *[0-9]+\.[0-9]+\]/) { next }
            { t = substr($0, 2, RLENGTH - 2) + 0 }
            t < after { next }
            !surface && /wl_surface[@#][0-9]+\.attach\(wl_buffer[@#]/ { match($0, /wl_surface[@#][0-9]+/); surface = substr($0, RSTART, RLENGTH) }
            surface && index($0, surface ".commit()") {
                printf "{\"record\":\"wayland_press\",\"compositor\":\"%s\",\"until\":\"committed\",\"front\":\"%s\",\"start\":%d,\"press\":%d,\"ms\":%.2f}\n", compositor, front, start, press, t - after
                exit
            }
        ' "$log" >>"$results"
    done
}

for start in $(seq "$rounds"); do
    log=$work/keyglance-$start.log
    debug=()
    [ "$compositor" = sway ] || debug=(WAYLAND_DEBUG=1)
    (cd "$work" && exec env "${debug[@]}" "$build/keyglance") >"$log" 2>&1 &
    running=$!
    pids+=("$running")
    # Where the user binds the toggle command (labwc), Ctrl+Space is not registered, rightly.
    wait_for "grep -q 'Is Registered: ' '$log'" || { grep -v '^\[' "$log" >&2; exit 1; }
    sleep 2
    if [ "$compositor" = sway ]; then
        exec {events}< <(exec swaymsg -r -m -t subscribe '["binding","tick"]')
        pids+=($!)
        "$build/bench/sway_latency_probe" --presses "$presses" --front "$front" --start "$start" \
            <&"$events" >>"$results"
        exec {events}<&-
        kill "${pids[-1]}"
    else
        typed_presses "$start" "$@"
    fi
    kill "$running"
    wait "$running" || true
done

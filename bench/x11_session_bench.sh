#!/usr/bin/env bash
# Runs inside a private X server (tests/x11-session.sh) and appends the probe's JSON lines to the
# results, each with the session's name.
#   x11_session_bench.sh SESSION BUILD RESULTS LOGS shared [--memory]
#     Geany (which sets _NET_WM_PID) and xlogo (which does not) take turns in front, and every
#     popup program is started BENCH_ROUNDS times in this X server; with --memory also the memory
#     figures.
#   x11_session_bench.sh SESSION BUILD RESULTS LOGS fresh START POPUP
#     One start of one popup in this new X server, over an xlogo started for it, with the first
#     press 2 s after the popup's ready line.
# The front programs have 60 shortcut rows each.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
session=$1
build=$2
results=$3
logs=$4
mode=$5
probe=("$root/bench/latency_probe.py" --watcher "$build/bench/popup_watcher")
declare -A popups=(
    [keyglance]="keyglance:Keyglance:$build/keyglance"
    [reference]="reference:KeyglanceReference:$build/bench/reference_popup"
    [xcb]="xcb:KeyglanceXcbPopup:$build/bench/xcb_popup"
)

. "$root/scripts/scratch.sh"

# The shipped file, with the front programs' entries replaced by full ones of 60 rows.
jq -s '.[0] + .[1]' "$root/data/data.json" "$root/bench/front-programs.json" >"$work/data.json"
# Keyglance writes its autostart entry at start-up: into the scratch folder, not the user's.
export XDG_CONFIG_HOME="$work/config"
cd "$work"

# Runs the probe with the fields of the JSON object $1 added to each of its lines.
record() {
    local fields=$1
    shift
    "${probe[@]}" "$@" | jq -c --argjson fields "$fields" ". + {session: \"$session\"} + \$fields" \
        >>"$results"
}

# Keyglance logs the shortcuts it lists: every show should have listed the front program's.
count_listed() {
    local log=$logs/latency-$session-keyglance.log
    [ -f "$log" ] || return 0
    printf '{"record":"listed","session":"%s","shows":%d,"listed":%d}\n' "$session" \
        "$(grep -c '设置可见' "$log" || true)" \
        "$(grep -c -e '"Ctrl+Shift+F" : "在文件中查找"' -e '"Ctrl+Alt+T" : "透明背景"' "$log" || true)" \
        >>"$results"
}

xlogo >"$logs/xlogo-$session.log" 2>&1 &
pids+=($!)
if [ "$mode" = fresh ]; then
    wait_for "xdotool search --name xlogo >/dev/null 2>&1" 10 || true
    rm -f "$logs/latency-$session-$7.log"
    record "{\"start\": $6}" latency --presses $((BENCH_PRESSES / BENCH_ROUNDS)) --rounds 1 \
        --settle-ms 2000 --front xlogo --log "$logs/latency-$session-" --popup "${popups[$7]}"
    if [ "$7" = keyglance ]; then count_listed; fi
    exit 0
fi

geany --new-instance --no-session --config="$work/geany" >"$logs/geany-$session.log" 2>&1 &
pids+=($!)
for name in Geany xlogo; do
    wait_for "xdotool search --name $name >/dev/null 2>&1" 10 || true
done

rm -f "$logs"/latency-"$session"-*.log
record '{}' latency --presses "$BENCH_PRESSES" --rounds "$BENCH_ROUNDS" \
    --front Geany --front xlogo --log "$logs/latency-$session-" \
    --popup "${popups[keyglance]}" --popup "${popups[reference]}" --popup "${popups[xcb]}"
count_listed

[ "${6:-}" = --memory ] || exit 0

# The same data file with the front programs' entries alone: what drawing every row ahead costs.
mkdir "$work/front-only"
cp "$root/bench/front-programs.json" "$work/front-only/data.json"
checkpoints=$BENCH_CYCLES
[ "$BENCH_CYCLES" -gt 1000 ] && checkpoints=1000,$BENCH_CYCLES
rm -f "$logs"/*-memory.log
record '{"popup": "keyglance", "data": "shipped"}' memory --title Keyglance --front Geany \
    --cycles "$checkpoints" --log "$logs/keyglance-memory.log" -- "$build/keyglance"
(cd front-only && record '{"popup": "keyglance", "data": "front only"}' memory --title Keyglance \
    --front Geany --log "$logs/keyglance-memory.log" -- "$build/keyglance")
record '{"popup": "reference", "data": "shipped"}' memory --title KeyglanceReference \
    --front Geany --log "$logs/reference-memory.log" -- "$build/bench/reference_popup"
record '{"popup": "bare", "data": "shipped"}' memory --ready "bare Qt ready" \
    --log "$logs/bare-memory.log" -- "$build/bench/bare_qt"

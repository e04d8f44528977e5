#!/usr/bin/env bash
# Runs inside a private X server (tests/x11-session.sh): Geany (which sets _NET_WM_PID) and xlogo
# (which does not) take turns in front, each with 60 shortcut rows, and each popup program is
# driven by latency_probe; with --memory also the memory and start-up figures.
# Usage: x11_session_bench.sh <session label> <build dir> <results file> <log dir> [--memory]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
session=$1
build=$2
results=$3
logs=$4
with_memory=${5:-}
probe=$build/bench/latency_probe

. "$root/scripts/scratch.sh"

# The shipped file, with the front programs' entries replaced by full ones of 60 rows.
jq -s '.[0] + .[1]' "$root/data/data.json" "$root/bench/front-programs.json" >"$work/data.json"
# Keyglance writes its autostart entry at start-up: into the scratch folder, not the user's.
export XDG_CONFIG_HOME="$work/config"
cd "$work"

geany --new-instance --no-session --config="$work/geany" >"$logs/geany-$session.log" 2>&1 &
pids+=($!)
xlogo >"$logs/xlogo-$session.log" 2>&1 &
pids+=($!)
for name in Geany xlogo; do
    wait_for "xdotool search --name $name >/dev/null 2>&1" 10 || true
done

# Runs the probe and appends its lines to the results, with fields after the record type.
record() {
    local fields=$1
    shift
    "$probe" "$@" | awk -v fields="$fields" '{ $1 = $1 " " fields; print }' | tee -a "$results"
}

rm -f "$logs"/latency-"$session"-*.log
record "session=$session" latency --presses "$BENCH_PRESSES" --rounds "$BENCH_ROUNDS" \
    --front Geany --front xlogo --log "$logs/latency-$session-" \
    --popup "keyglance:Keyglance:$build/keyglance" \
    --popup "reference:KeyglanceReference:$build/bench/reference_popup" \
    --popup "xcb:KeyglanceXcbPopup:$build/bench/xcb_popup"

# Keyglance logs the shortcuts it lists: every show should have listed the front program's.
log=$logs/latency-$session-keyglance.log
geany_listed=$(grep -c '"Ctrl+Shift+F" : "在文件中查找"' "$log" || true)
xlogo_listed=$(grep -c '"Ctrl+Alt+T" : "透明背景"' "$log" || true)
echo "check session=$session target=keyglance shows=$(grep -c '设置可见' "$log")" \
    "front_listed=$((geany_listed + xlogo_listed))" | tee -a "$results"

[ "$with_memory" = --memory ] || exit 0

checkpoints=$BENCH_CYCLES
[ "$BENCH_CYCLES" -gt 1000 ] && checkpoints=1000,$BENCH_CYCLES
rm -f "$logs"/*-memory.log "$logs"/*-startup.log
record "target=keyglance" memory --title Keyglance --front Geany --cycles "$checkpoints" \
    --log "$logs/keyglance-memory.log" -- "$build/keyglance"
record "target=reference" memory --title KeyglanceReference --front Geany \
    --log "$logs/reference-memory.log" -- "$build/bench/reference_popup"
record "target=bare" memory --ready "bare Qt ready" --log "$logs/bare-memory.log" \
    -- "$build/bench/bare_qt"
record "target=keyglance" startup --runs "$BENCH_STARTS" --log "$logs/keyglance-startup.log" \
    -- "$build/keyglance"
record "target=reference" startup --runs "$BENCH_STARTS" --log "$logs/reference-startup.log" \
    -- "$build/bench/reference_popup"

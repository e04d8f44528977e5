#!/usr/bin/env bash
# Runs inside a headless sway session (tests/sway-session.sh): foot in front with 60 shortcut
# rows, Keyglance started ROUNDS times, its first press 2 s after its ready line, each start
# pressed PRESSES times in all by sway_latency_probe, whose JSON lines go to RESULTS.
# Usage: sway_session_bench.sh BUILD RESULTS ROUNDS PRESSES
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
results=$2
rounds=$3
presses=$4
. "$root/scripts/scratch.sh"

# foot takes xlogo's 60 rows of the front programs' entries.
jq -s '.[0] + .[1] | .foot = .xlogo' "$root/data/data.json" "$root/bench/front-programs.json" \
    >"$work/data.json"
export XDG_CONFIG_HOME=$work/config
cd "$work"
foot sh >/dev/null 2>&1 &
pids+=($!)
wait_for "swaymsg -t get_tree | grep -q '\"app_id\": \"foot\"'"

for start in $(seq "$rounds"); do
    "$build/keyglance" >keyglance.log 2>&1 &
    keyglance=$!
    pids+=("$keyglance")
    wait_for "grep -q 'Is Registered:  true' keyglance.log"
    sleep 2
    "$build/bench/sway_latency_probe" --presses "$presses" --front foot --start "$start" \
        >>"$results"
    kill "$keyglance"
    wait "$keyglance" || true
done

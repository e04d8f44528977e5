#!/usr/bin/env bash
# Builds the benchmarks in Release, runs them, and rewrites docs/performance.md from their results
# (JSON lines in build-bench/bench-results.jsonl, the per-show benchmark's CSV beside them) through
# bench/report.py. From Debian 12 the Wayland sessions run again with Qt 6, in the Debian 13 system
# of scripts/debian13.sh (made on the first run, a few minutes).
# Counts: BENCH_PRESSES (600), BENCH_ROUNDS (10), BENCH_CYCLES (10000), BENCH_SHOW_MEDIAN (5).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
load=$(cut -d' ' -f1-3 /proc/loadavg)

scripts/install-deps.sh --test
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKEYGLANCE_BENCH=ON
cmake --build build-bench -j"$(nproc)"

export BENCH_PRESSES=${BENCH_PRESSES:-600}
export BENCH_ROUNDS=${BENCH_ROUNDS:-10}
export BENCH_CYCLES=${BENCH_CYCLES:-10000}

build=$root/build-bench
logs=$build/bench-logs
results=$build/bench-results.jsonl
rm -rf "$logs"
mkdir -p "$logs"
: >"$results"

session() {
    printf '{"record":"session","session":"%s","title":"%s"}\n' "$1" "$2" >>"$results"
    echo "bench: $2" >&2
}

per_show=$build/per-show.csv
build-bench/bench/per_show_bench -median "${BENCH_SHOW_MEDIAN:-5}" -minimumtotal 500 \
    -o "$per_show,csv" -o -,txt
session openbox "With openbox"
tests/x11-session.sh --wm bench/x11_session_bench.sh openbox "$build" "$results" "$logs" shared
# Start-up and memory with no window manager: its round trips would only stretch 10,000 cycles.
session none "Without a window manager"
tests/x11-session.sh bench/x11_session_bench.sh none "$build" "$results" "$logs" shared --memory
session fresh "With openbox, a new X server for every start"
popups=(keyglance reference xcb)
for start in $(seq "$BENCH_ROUNDS"); do
    for turn in 0 1 2; do
        tests/x11-session.sh --wm bench/x11_session_bench.sh fresh "$build" "$results" "$logs" \
            fresh "$start" "${popups[(start + turn) % 3]}"
    done
done

# Wayland sessions, each a headless compositor run as a throwaway user (root or sudo adds it), on
# this machine's Qt and on Debian 13's Qt 6 in the system of scripts/debian13.sh.
bench/wayland_benches.sh "$build" "$BENCH_ROUNDS" "$BENCH_PRESSES" >>"$results"
if [ "$(. /etc/os-release && echo "$VERSION_CODENAME")" != trixie ]; then
    scripts/debian13.sh bench/wayland_benches.sh --build build-bench "$BENCH_ROUNDS" \
        "$BENCH_PRESSES" >>"$results"
fi

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
qt=$(bench/qt_version.sh "$build")
jq -nc --arg machine "$(nproc) cores ($cpu), $(uname -srm), Qt $qt, $(date -u +%Y-%m-%d)" \
    --arg qt "$qt" \
    --arg load_start "$load" --arg load_end "$(cut -d' ' -f1-3 /proc/loadavg)" \
    --argjson seconds $(($(date +%s) - started)) \
    '{record: "run", $machine, $qt, $load_start, $load_end, $seconds}' >>"$results"
python3 bench/report.py docs/performance.md.in "$results" "$per_show" >docs/performance.md
cat docs/performance.md
echo "Results: $results; program logs: $logs"

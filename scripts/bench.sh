#!/usr/bin/env bash
# Builds the benchmarks in Release, runs them and rewrites docs/performance.md with the figures.
# Counts: BENCH_PRESSES (600), BENCH_ROUNDS (10), BENCH_CYCLES (10000), BENCH_STARTS (10),
# BENCH_SHOW_SECONDS (2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
load=$(cut -d' ' -f1-3 /proc/loadavg)

scripts/install-deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKEYGLANCE_BENCH=ON
cmake --build build-bench -j"$(nproc)"

export BENCH_PRESSES=${BENCH_PRESSES:-600}
export BENCH_ROUNDS=${BENCH_ROUNDS:-10}
export BENCH_CYCLES=${BENCH_CYCLES:-10000}
export BENCH_STARTS=${BENCH_STARTS:-10}
export BENCH_SHOW_SECONDS=${BENCH_SHOW_SECONDS:-2}

build=$root/build-bench
logs=$build/bench-logs
results=$build/bench-results.txt
rm -rf "$logs"
mkdir -p "$logs"
: >"$results"

build-bench/bench/per_show_bench data/data.json | tee -a "$results"
tests/x11-session.sh --wm bench/x11_session_bench.sh openbox "$build" "$results" "$logs"
# Memory and start-up with no window manager: its round trips would only stretch 10,000 cycles.
tests/x11-session.sh bench/x11_session_bench.sh none "$build" "$results" "$logs" --memory

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)
qt=$(pkg-config --modversion Qt5Core 2>/dev/null || echo unknown)
machine="$(nproc) cores ($cpu), $(uname -srm), Qt $qt, $(date -u +%Y-%m-%d);"
machine="$machine load average $load at the start, $(cut -d' ' -f1-3 /proc/loadavg) at the end"
elapsed=$(($(date +%s) - started))
awk -v machine="$machine" -v duration="$((elapsed / 60)) min $((elapsed % 60)) s" \
    -v presses="$BENCH_PRESSES" -v rounds="$BENCH_ROUNDS" -v show_seconds="$BENCH_SHOW_SECONDS" \
    -f bench/report.awk "$results" >docs/performance.md
cat docs/performance.md
echo "Raw figures: $results; program logs: $logs"

#!/usr/bin/env bash
# Runs each session test (X11, sway, KWin with and without the portal, GNOME, labwc where it is
# packaged) again and again while every core is kept busy, as on a machine in the middle of a
# build, and says how many runs of each passed. Not part of CI: it takes about half an hour.
# Usage: tests/under-load.sh [runs (20)] [build folder (build-test)]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
build=$(cd "${2:-$root/build-test}" && pwd)
. "$root/scripts/scratch.sh"

tests=(tst_startup tst_activation tst_activation_wm sway_session kwin_session_with_portal
    kwin_session_without_portal gnome_session)
(cd "$build" && ctest -N -R '^labwc_session$' | grep -q labwc_session) && tests+=(labwc_session)
for _ in $(seq "$(nproc)"); do
    sh -c 'while :; do :; done' &
    pids+=($!)
done
failed=0
for test in "${tests[@]}"; do
    passed=0
    for run in $(seq "$runs"); do
        if (cd "$build" && ctest -R "^$test\$" --output-on-failure >"$work/$test-$run.log" 2>&1); then
            passed=$((passed + 1))
        else
            cp "$work/$test-$run.log" "$build/under-load-$test-$run.log"
        fi
    done
    echo "$test: $passed of $runs passed"
    [ "$passed" -eq "$runs" ] || failed=1
done
exit "$failed"

#!/usr/bin/env bash
# Key to popup under sway, KWin, GNOME and (where it is packaged) labwc for the Keyglance of BUILD,
# each a headless compositor run as a throwaway user: ROUNDS starts, PRESSES presses in all for
# each.
# Prints the presses as JSON lines, each with the Qt version Keyglance runs on; the programs' logs
# go to BUILD/bench-logs/wayland.
# With --build, first builds the benchmarks in Release into BUILD (inside the Debian 13 system of
# scripts/debian13.sh, say). Usage: wayland_benches.sh [--build] BUILD ROUNDS PRESSES
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${1:-}" = --build ]; then
    shift
    cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=Release -DKEYGLANCE_BENCH=ON >&2
    cmake --build "$1" -j"$(nproc)" >&2
fi
build=$(cd "$1" && pwd)
rounds=$2
presses=$(($3 / rounds))
logs=$build/bench-logs/wayland
rm -rf "$logs"
mkdir -p "$logs"
qt=$(bench/qt_version.sh "$build")

echo "bench: Wayland sessions, Qt $qt" >&2
tests/sway-session.sh --output "$logs" bench/wayland_session_bench.sh sway "$build" \
    "$logs/sway.jsonl" "$rounds" "$presses" 'foot sh'
tests/kwin-session.sh --output "$logs" bench/wayland_session_bench.sh kwin "$build" \
    "$logs/kwin.jsonl" "$rounds" "$presses" wev 'keyboard_key\(57, 1\)' \
    "$build/bench/kwin-ctrl-space"
# GNOME's session services talk on its output: into a log, away from the results.
tests/gnome-session.sh --output "$logs" --extensions "$build/gnome-shell-extensions" \
    bench/gnome_session_bench.sh "$build" "$logs/gnome.jsonl" "$rounds" "$((presses * rounds))" \
    >"$logs/gnome-session.out" 2>&1
# labwc runs the toggle command the user binds, as the README has it: when the key is let go.
if command -v labwc >/dev/null; then
    binding="<action name=\"Execute\" command=\"$build/keyglance-toggle\" />"
    rc="<labwc_config><keyboard><keybind key=\"C-space\" onRelease=\"yes\">$binding</keybind>"
    rc="$rc</keyboard></labwc_config>"
    tests/labwc-session.sh --output "$logs" sh -c \
        'echo "$1" >"$LABWC_RC" && labwc --reconfigure && shift && exec "$@"' sh "$rc" \
        bench/wayland_session_bench.sh labwc "$build" "$logs/labwc.jsonl" "$rounds" "$presses" \
        wev '\.key\([0-9]+, [0-9]+, 0\)' wtype -M ctrl -k space -m ctrl
fi
# Named with the release of each compositor's package: KWin refuses root, even for --version.
version() { dpkg-query -W -f '${Version}' "$1" | sed 's/^[0-9]*://; s/-[^-]*$//'; }
names=$(jq -n --arg sway "sway $(version sway)" --arg kwin "KWin $(version kwin-wayland)" \
    --arg gnome "GNOME Shell $(version gnome-shell)" \
    --arg labwc "labwc $(version labwc 2>/dev/null || true)" '{$sway, $kwin, $gnome, $labwc}')
jq -c --arg qt "$qt" --argjson names "$names" '. + {qt: $qt, compositor: $names[.compositor]}' \
    "$logs"/*.jsonl

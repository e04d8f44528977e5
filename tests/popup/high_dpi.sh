#!/usr/bin/env bash
# The popup on a 144 DPI screen: 1.5 times the 96 DPI popup in each direction, and the same
# picture, only sharper. Both are shot by the headless demo (openbox, Geany in front).
# Usage: high_dpi.sh <keyglance binary> <folder for the screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
binary=$1
shots=$2
mkdir -p "$shots"

shoot() {
    KEYGLANCE_DEMO_SESSION_OPTIONS="$2" "$root/scripts/demo.sh" "$binary" "$shots/$1.png" >/dev/null
    identify -format '%wx%h' "$shots/$1.png"
}

status=0
expect_size() {
    if [ "$2" = "$3" ]; then
        echo "PASS: the popup at $1 is $3"
    else
        echo "FAIL: the popup at $1 is $2, not $3"
        status=1
    fi
}
expect_size "96 DPI" "$(shoot 96dpi '--dpi 96')" 1200x800
expect_size "144 DPI" "$(shoot 144dpi '--dpi 144 --screen 2880x1800')" 1800x1200

if "$root/tests/same-layout.sh" "$shots/96dpi.png" "$shots/144dpi.png"; then
    echo "PASS: same layout"
else
    echo "FAIL: the layouts differ"
    status=1
fi
exit "$status"

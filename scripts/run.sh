#!/usr/bin/env bash
# Builds Keyglance and runs it: on the current X display for real, or, with no display,
# as a headless demo that saves a screenshot of the popup.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "No X display: running the headless demo instead."
    exec scripts/demo.sh "$PWD/build/keyglance" "$PWD/run/keyglance-demo.png"
fi

# Keyglance reads ./data.json from its working directory; a file already there is the user's.
mkdir -p run
[ -e run/data.json ] || cp data/data.json run/data.json
cd run
echo "Keyglance is running: press Ctrl+Space over any window, Ctrl+C here to stop."
exec ../build/keyglance

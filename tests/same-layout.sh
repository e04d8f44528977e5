#!/usr/bin/env bash
# Whether a popup shot at a larger scale, scaled back down, looks like the one shot at 100 %:
# they may differ only in how glyphs rasterise, as text grown in an unscaled form would not.
# Usage: same-layout.sh <shot at 100 %> <larger shot>
set -euo pipefail
# compare exits 1 whenever the pictures differ at all.
difference=$({ compare -metric RMSE "$1" \( "$2" -resize "$(identify -format '%wx%h!' "$1")" \) \
    null: 2>&1 || true; } | sed -E 's/.*\((.*)\)/\1/')
echo "RMSE between the popup at 100 % and the larger one scaled down: $difference"
awk -v d="$difference" 'BEGIN { exit !(d < 0.08) }'

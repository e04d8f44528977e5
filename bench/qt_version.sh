#!/usr/bin/env sh
# The version of the Qt that the build folder $1 was configured with.
major=$(sed -n 's/^Qt\([56]\)Core_DIR:.*/\1/p' "$1/CMakeCache.txt" | head -n1)
exec pkg-config --modversion "Qt${major}Core"

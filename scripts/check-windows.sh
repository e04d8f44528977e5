#!/usr/bin/env bash
# Syntax-checks every source the Windows build compiles (the Windows-only backends and the
# portable code) with mingw-w64 against Debian's Qt 5 headers,
# so the Windows code cannot rot unseen on a Linux machine. Qt's headers count as system
# headers: they were not written for this compiler, and their warnings are not ours.
set -euo pipefail
cd "$(dirname "$0")/.."

qt=/usr/include/x86_64-linux-gnu/qt5
status=0
for file in $(git ls-files 'app/*.cpp' 'popup/*.cpp' 'foreground/*.cpp' 'shortcuts/*.cpp' \
    'update/*.cpp' 'hotkey/*.cpp' | grep -v -E '_(x11|xdg|none|unsupported)\.cpp$'); do
    echo "mingw syntax check: $file"
    x86_64-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror \
        -DUNICODE -D_UNICODE -DKEYGLANCE_DATA_HOST='"localhost"' \
        -I. -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets" \
        -isystem "$qt/QtNetwork" \
        "$file" || status=1
done
exit $status

#!/usr/bin/env bash
# Syntax-checks every Windows-only source with mingw-w64 against Debian's Qt 5 headers,
# so the Windows code cannot rot unseen on a Linux machine. Qt's headers count as system
# headers: they were not written for this compiler, and their warnings are not ours.
set -euo pipefail
cd "$(dirname "$0")/.."

qt=/usr/include/x86_64-linux-gnu/qt5
status=0
for file in $(git ls-files '*_win.cpp'); do
    echo "mingw syntax check: $file"
    x86_64-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror \
        -DUNICODE -D_UNICODE -DKEYGLANCE_DATA_HOST='"localhost"' \
        -I. -isystem "$qt" -isystem "$qt/QtCore" -isystem "$qt/QtGui" -isystem "$qt/QtWidgets" \
        -isystem "$qt/QtNetwork" \
        "$file" || status=1
done
exit $status

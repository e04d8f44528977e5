#!/usr/bin/env bash
# Cross-builds the part of Qt 5 that Keyglance needs for x86_64-w64-mingw32 from Debian's own
# qtbase source, and installs it into a cache folder keyed on everything that shapes the build.
# A cached build is reused. Prints the Qt prefix on its last line.
# Usage: windows-qt.sh   (sourced settings: none; cache under ${XDG_CACHE_HOME:-~/.cache})
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

qt_package=qtbase-opensource-src
qt_version=5.15.8+dfsg-11+deb12u3
configure_options=(
    -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -opensource -confirm-license -release -shared -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-harfbuzz
    -qt-freetype -no-sql-sqlite -no-feature-sql -schannel -no-openssl
    # Debian's source drops the wintab headers the Windows platform plugin needs for tablets.
    -no-feature-tabletevent
)
# Qt links the Windows system libraries by their MSVC names; mingw's are lower case, which a
# case-sensitive file system tells apart.
source_patch='s/"-lSecur32" "-lCrypt32"/"-lsecur32" "-lcrypt32"/'
patched_file=src/network/ssl/ssl.pri

"$root/scripts/install-deps.sh" --windows

# The posix thread model, which Qt's threads need, under the plain names the mkspec calls.
cache=${XDG_CACHE_HOME:-$HOME/.cache}/keyglance
mkdir -p "$cache/mingw-posix"
for tool in gcc g++; do
    ln -sf "/usr/bin/x86_64-w64-mingw32-$tool-posix" "$cache/mingw-posix/x86_64-w64-mingw32-$tool"
done
export PATH="$cache/mingw-posix:$PATH"

compiler=$(x86_64-w64-mingw32-g++ --version | head -n1)
key=$(printf '%s\n' "$qt_version" "${configure_options[*]}" "$source_patch" "$compiler" |
    sha256sum | cut -c1-16)
prefix=$cache/qt-$qt_version-$key
if [ -f "$prefix/.complete" ]; then
    echo "windows-qt: reusing $prefix" >&2
    echo "$prefix"
    exit 0
fi

# The build folder survives a failed or interrupted run, so the next run goes on from there.
work=$cache/qt-build-$key
rm -rf "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/sourceparts"

# A private list of the source archives of the Debian mirrors this machine already uses, so the
# system's apt configuration stays as it is.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
{
    for file in /etc/apt/sources.list.d/*.sources; do
        [ ! -f "$file" ] || awk -v RS= '{
            uris = ""; suites = ""
            n = split($0, lines, "\n")
            for (i = 1; i <= n; i++) {
                if (lines[i] ~ /^URIs:/) uris = substr(lines[i], 6)
                if (lines[i] ~ /^Suites:/) suites = substr(lines[i], 8)
            }
            print uris "|" suites
        }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ ! -f "$file" ] || sed -nE 's/\[[^]]*\]//; s/^deb[[:space:]]+//p' "$file" |
            awk '{print $1 "|" $2}'
    done
} | while IFS='|' read -r uris suites; do
    for uri in $uris; do
        for suite in $suites; do
            case $suite in "$codename" | "$codename-updates" | "$codename-security")
                echo "deb-src [signed-by=$keyring] $uri $suite main" ;;
            esac
        done
    done
done | sort -u >"$work/apt/sources.list"
[ -s "$work/apt/sources.list" ] || {
    echo "windows-qt: apt knows no Debian $codename mirror to fetch the Qt source from" >&2
    exit 1
}
apt_private=(-o "Dir::Etc::sourcelist=$work/apt/sources.list"
    -o "Dir::Etc::sourceparts=$work/apt/sourceparts" -o "Dir::State::Lists=$work/apt/lists" -o APT::Sandbox::User=root)
source_dir=$work/$qt_package-${qt_version%%-*}
if [ ! -d "$source_dir" ]; then
    apt-get "${apt_private[@]}" update -q >&2
    (cd "$work" && apt-get "${apt_private[@]}" source -q "$qt_package=$qt_version" >&2)
    sed -i "$source_patch" "$source_dir/$patched_file"
fi
grep -q -- '"-lsecur32" "-lcrypt32"' "$source_dir/$patched_file" || {
    echo "windows-qt: the patch to $patched_file no longer applies" >&2
    exit 1
}

jobs=$(nproc)
# Half an hour of compiler lines would bury everything else: they go to a log, shown on failure.
log=$work/build.log
quietly() {
    "$@" >>"$log" 2>&1 || {
        tail -n 80 "$log" >&2
        echo "windows-qt: failed: $*; whole log: $log" >&2
        exit 1
    }
}
mkdir -p "$work/build"
cd "$work/build"
if [ ! -f Makefile ]; then
    "$source_dir/configure" -prefix "$prefix" "${configure_options[@]}" >"$work/configure.log" 2>&1 || {
        tail -n 60 "$work/configure.log" >&2
        rm -f Makefile
        exit 1
    }
fi
# Only the modules and plugins Keyglance loads, which is about a third of qtbase.
[ -f src/Makefile ] || quietly make sub-src-qmake_all
modules=(sub-network sub-widgets sub-winmain sub-platformsupport sub-platformheaders)
plugins=(platforms/windows styles/windowsvista)
echo "windows-qt: building Qt in $work/build (about half an hour on two cores)" >&2
quietly make -C src -j"$jobs" "${modules[@]}"
for plugin in "${plugins[@]}"; do
    quietly make -C "src/plugins/$plugin" -j"$jobs"
done

# Each install target installs what its module depends on too (corelib, gui, moc, rcc, uic).
quietly make install_mkspecs install_syncqt sub-qmake-qmake-aux-pro-install_subtargets
quietly make -C src "${modules[@]/%/-install_subtargets}"
for plugin in "${plugins[@]}"; do
    quietly make -C "src/plugins/$plugin" install
done
# What a redistributed copy must say about how it was made.
cp "$source_dir"/LICENSE.LGPL3 "$source_dir"/LICENSE.GPL3 "$prefix/"
cat >"$prefix/qt-build.txt" <<EOF
Source:    Debian's $qt_package $qt_version (apt-get source $qt_package=$qt_version)
Patch:     sed -i '$source_patch' $patched_file
Configure: configure -prefix PREFIX ${configure_options[*]}
Built:     make -C src ${modules[*]}
           make -C src/plugins/DIR for DIR in ${plugins[*]}
Compiler:  $compiler (posix threads)
EOF
touch "$prefix/.complete"
cd "$cache"
rm -rf "$work"
echo "$prefix"

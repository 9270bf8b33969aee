#!/usr/bin/env bash
# Builds the Debian package from a configured and built build directory
# (default build/dev), unpacks it into a scratch directory and checks it:
# the control data lists the dependencies dpkg-shlibdeps computed, every file
# the program finds beside itself is there, and the unpacked program starts
# (offscreen) with its settings in a temporary per-user folder, finds its
# page plug-in and loads the machine description, in Chinese and in English.
#
#   scripts/package-test.sh [BUILD_DIR] [--install]
#
# --install also installs the package with dpkg, checks the installed
# program and removes the package again (needs root; changes the system).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/dev"
install=0
for arg in "$@"; do
    case "$arg" in
        --install) install=1 ;;
        *) build="$(cd "$arg" && pwd)" ;;
    esac
done

fail() { echo "package-test: $*" >&2; exit 1; }

cd "$build"
rm -f vantorel_*.deb
cpack -G DEB >/dev/null 2>&1 || fail "cpack failed (cpack -G DEB in $build says why)"
deb="$(ls vantorel_*.deb)"
echo "package-test: $deb, $(stat -c %s "$deb") bytes"

# Dependencies come from the binaries: the Qt libraries they link, the C
# and C++ run-time.
depends="$(dpkg-deb -f "$deb" Depends)"
echo "package-test: Depends: $depends"
names=" $(sed -E 's/ \([^)]*\)//g; s/,//g' <<<"$depends") "
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6network6 libqt6core5compat6 \
           libqt6sql6-sqlite; do
    [[ "$names" == *" $lib "* ]] || fail "$lib missing from Depends"
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
app="$root/usr/lib/vantorel"
for f in workbench libcore.so plugins.xml plugins/libparvex.so machines/default.xml \
         translations/workbench_en.qm installed; do
    [ -e "$app/$f" ] || fail "$f missing from the package"
done
for f in usr/share/doc/vantorel/copyright \
         usr/share/applications/vantorel-workbench.desktop \
         usr/share/icons/hicolor/scalable/apps/vantorel-workbench.svg \
         usr/share/icons/hicolor/48x48/apps/vantorel-workbench.png; do
    [ -e "$root/$f" ] || fail "$f missing from the package"
done
grep -qx 'License: Apache-2.0' "$root/usr/share/doc/vantorel/copyright" \
    || fail "the copyright file does not name the licence"
[ "$(readlink -f "$root/usr/bin/workbench")" = "$(readlink -f "$app/workbench")" ] \
    || fail "usr/bin/workbench does not lead to the program"
[ ! -e "$app/config.xml" ] || fail "the package ships a config.xml"
# Nothing outside the program directory, the launchers and share/; every
# page plug-in of the build is in the package.
stray="$(dpkg-deb -c "$deb" | awk '{print $6}' \
         | grep -Ev '^\./(usr/?|usr/lib/?|usr/bin/.*|usr/lib/vantorel/.*|usr/share/.*)?$' || true)"
[ -z "$stray" ] || fail "files outside the program directory: $stray"
for plugin in "$build"/app/plugins/*.so; do
    [ -e "$app/plugins/$(basename "$plugin")" ] || fail "plug-in $(basename "$plugin") missing from the package"
done

# check LAUNCHER LANGUAGE: runs "LAUNCHER --check" as a user whose folders
# are in the scratch directory and checks what it found.
check() {
    local launcher="$1" language="$2" home="$scratch/home-$2"
    local out
    mkdir -p "$home"
    if [ "$language" = en ]; then
        mkdir -p "$home/config/vantorel"
        "$app/config-set" "$home/config/vantorel/config.xml" UI.Language en >/dev/null \
            || fail "config-set failed"
    fi
    mkdir -p -m 700 "$home/run"
    out="$(env -u LD_LIBRARY_PATH HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/run" \
           XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=offscreen "$launcher" --check)" \
        || fail "$launcher --check failed"
    echo "$out" | sed 's/^/package-test:   /'
    grep -qxF "settings: $home/config/vantorel/config.xml (per user)" <<<"$out" \
        || fail "settings not in the per-user folder"
    [ -s "$home/config/vantorel/config.xml" ] || fail "no settings file written"
    [ -d "$home/data/vantorel" ] || fail "no per-user data folder"
    grep -q '^page plug-ins: .*Plugin.Page.Parvex' <<<"$out" || fail "page plug-in not found"
    grep -q '^machine description: [1-9][0-9]* groups' <<<"$out" || fail "no machine description"
    grep -qx "language: $language" <<<"$out" || fail "language is not $language"
    if [ "$language" = en ]; then
        grep -q 'first group F0 Basic functions$' <<<"$out" || fail "no English group names"
    fi
}

check "$root/usr/bin/workbench" zh_CN
check "$root/usr/bin/workbench" en
[ ! -e "$app/config.xml" ] || fail "the program wrote beside itself"

# The command-line tool, where the tree has one.
if [ -e "$root/usr/bin/vantorel" ]; then
    env -u LD_LIBRARY_PATH HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" \
        "$root/usr/bin/vantorel" --help >/dev/null || fail "vantorel --help failed"
    echo "package-test: vantorel --help ok"
fi

if [ "$install" = 1 ]; then
    dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
    root=""
    app="/usr/lib/vantorel"
    check /usr/bin/workbench zh_CN
    dpkg -r vantorel >/dev/null || fail "dpkg -r failed"
    [ ! -e /usr/lib/vantorel ] && [ ! -e /usr/bin/workbench ] || fail "files left after removal"
    echo "package-test: installed, started and removed"
fi
echo "package-test: ok"

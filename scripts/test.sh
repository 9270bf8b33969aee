#!/usr/bin/env bash
# Sets everything up (packages, configure, build), runs the whole test suite
# and checks the Debian package.
# An optional argument names the preset: dev (default), ci or asan.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-dev}"

"$here/scripts/setup.sh" "$preset"
cd "$here"
ctest --preset "$preset"

# The Debian package: built, unpacked into a scratch directory, and the
# program in it started as a user would (scripts/package-test.sh).
if [ "$preset" != asan ]; then
    "$here/scripts/package-test.sh" "$here/build/$preset"
fi

# The serial link once more, built the way other systems run it (through
# QSerialPort's own waiting functions instead of the device itself).
if [ "$preset" != asan ]; then
    cmake --preset portable >/dev/null
    cmake --build --preset portable
    ctest --preset portable
fi

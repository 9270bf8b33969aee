#!/usr/bin/env bash
# Sets everything up, starts the simulated drive on a pseudo-terminal and the
# workbench program pointed at it; stops the simulated drive when the program exits.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" dev

app="$here/build/dev/app"
if [ ! -x "$app/workbench" ]; then
    echo "run: the workbench program is not built yet; everything that exists was built into $app"
    exit 0
fi
if [ ! -x "$app/drive-sim" ]; then
    echo "run: the simulated drive is not built yet; everything that exists was built into $app"
    exit 0
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display; run it under a virtual one, for example:  xvfb-run -a $0" >&2
    exit 1
fi

exec "$app/run-demo.sh"

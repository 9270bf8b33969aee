#!/usr/bin/env bash
# Sets everything up, starts the simulated drive on a pseudo-terminal (line
# timing at 19200 baud, so progress looks as on a real line) and opens the
# workbench pointed at it; stops the simulated drive when the program exits.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" dev

app="$here/build/dev/app"
for part in workbench drive-sim config-set; do
    if [ ! -x "$app/$part" ]; then
        echo "run: $part is not built yet; everything that exists was built into $app" >&2
        exit 1
    fi
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run: no display to open the program on; run it under a virtual one:  xvfb-run -a $0" >&2
    exit 1
fi

link="$here/build/dev/drive-tty"
# Only the port name changes; the operator's other settings stay as they are.
"$app/config-set" "$app/config.xml" Communicate.PortName "$link"

log="$here/build/dev/drive-sim.log"
"$app/drive-sim" --link "$link" --baud 19200 --turnaround 2 --run </dev/null >"$log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

for _ in $(seq 1 50); do
    [ -e "$link" ] && break
    if ! kill -0 "$sim" 2>/dev/null; then
        echo "run: the simulated drive did not start: $(tail -n 1 "$log")" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -e "$link" ]; then
    echo "run: the simulated drive did not publish $link in time" >&2
    exit 1
fi

echo "run: simulated drive on $link (station 1, 19200 baud); choose 通信 > 连接设备 to connect"
"$app/workbench"

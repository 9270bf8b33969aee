#!/bin/sh
# Renders the program's icon to the PNG sizes the menu entry uses. The build
# installs the committed PNGs; run this after editing the SVG.
set -e
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" vantorel-workbench.svg -o "vantorel-workbench-$size.png"
done

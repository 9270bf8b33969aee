#!/bin/sh
# Renders the hand-drawn SVG sources to the PNG files the resource bundle
# carries. The build uses the committed PNGs; run this after editing an SVG.
set -e
cd "$(dirname "$0")"
for f in *.svg; do rsvg-convert "$f" -o "../${f%.svg}.png"; done

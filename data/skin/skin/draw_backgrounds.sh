#!/usr/bin/env bash
# Draws the main window's background images offered by the skin window (ImageMagick), each
# 1000x640 (the window's fixed size); the swatches show them scaled down. Run from this
# folder; the PNG files are committed. "background.png" of common/ is the default one.
set -euo pipefail
cd "$(dirname "$0")"

# name, gradient start, gradient end
backgrounds=(
  "bg_night #15161A #1F2633"
  "bg_ocean #0E1A24 #123B4F"
  "bg_ember #1A1212 #3A1F16"
  "bg_forest #101812 #1D3322"
)
for row in "${backgrounds[@]}"; do
  read -r name from to <<<"$row"
  convert -size 1000x640 "gradient:$from-$to" "PNG24:$name.png"
done
convert -size 1000x640 "gradient:#15161A-#1A1C22" "PNG24:../common/background.png"

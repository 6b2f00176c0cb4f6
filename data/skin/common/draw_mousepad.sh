#!/usr/bin/env bash
# Draws the mouse pad page's picture (ImageMagick): the pad seen from above at twice its size
# on the page, its cloth, the lit rim its LEDs sit on and the cable hub at the far edge and the phone charger's mark.
# Run from this folder; the PNG file is committed.
set -euo pipefail
cd "$(dirname "$0")"

cloth='#1A1C22' rim='#2A2E38' seam='#0F1013' detail='#5A606E' accent='#2EC5FF'
convert -size 1160x340 xc:none \
  -fill "$rim" -stroke "$seam" -strokewidth 4 -draw "roundrectangle 4,24 1156,336 40,40" \
  -fill "$cloth" -stroke '#3A3F4B' -strokewidth 2 -draw "roundrectangle 28,48 1132,312 26,26" \
  -fill none -stroke '#20232A' -strokewidth 1 \
  -draw "line 60,80 1100,80 line 60,120 1100,120 line 60,160 1100,160 line 60,200 1100,200 line 60,240 1100,240 line 60,280 1100,280" \
  -fill "$rim" -stroke "$seam" -strokewidth 3 -draw "roundrectangle 480,4 680,52 14,14" \
  -fill "$seam" -stroke "$detail" -strokewidth 2 -draw "roundrectangle 540,14 620,34 6,6" \
  -fill none -stroke "$accent" -strokewidth 3 -draw "circle 990,250 990,218" \
  -fill "$accent" -stroke none -draw "path 'M 996,228 L 978,254 L 990,254 L 984,274 L 1004,246 L 991,246 Z'" \
  -fill "$detail" -stroke none -font DejaVu-Sans-Bold -pointsize 26 -draw "text 76,292 'KX58'" \
  "PNG32:mousepad_top.png"

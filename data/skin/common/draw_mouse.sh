#!/usr/bin/env bash
# Draws the mouse page's images (ImageMagick): the mouse seen from above at twice its size on
# the page, the soft dot its LEDs are tinted from, and the DPI sliders' two thumbs. Run from
# this folder; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")"

body='#22252D' edge='#3A3F4B' seam='#0F1013' detail='#5A606E'
convert -size 240x360 xc:none \
  -fill "$body" -stroke "$edge" -strokewidth 3 \
  -draw "path 'M 120,12 C 196,12 226,84 226,172 C 226,292 188,348 120,348 C 52,348 14,292 14,172 C 14,84 44,12 120,12 Z'" \
  -fill none -stroke "$seam" -strokewidth 3 -draw "line 120,14 120,132" \
  -draw "path 'M 18,136 Q 120,156 222,136'" \
  -fill "$seam" -stroke "$detail" -strokewidth 2 -draw "roundrectangle 106,38 134,102 13,13" \
  -fill none -stroke "$detail" -strokewidth 2 -draw "line 110,60 130,60 line 110,70 130,70 line 110,80 130,80" \
  -fill "$seam" -stroke "$detail" -draw "roundrectangle 110,112 130,124 4,4 roundrectangle 110,128 130,140 4,4" \
  -draw "roundrectangle 8,152 20,194 5,5 roundrectangle 8,202 20,244 5,5 roundrectangle 18,100 28,140 4,4" \
  -fill none -stroke '#2EC5FF' -strokewidth 2 -draw "circle 120,270 120,254" \
  "PNG32:mouse_top.png"

convert -size 16x16 radial-gradient:white-none "PNG32:led_dot.png"

thumb() {
  convert -size 28x28 xc:none -fill "$2" -stroke "$3" -strokewidth 3 -draw "circle 14,14 14,3" \
    -resize 14x14 "PNG32:../Control/$1"
}
thumb SliderBar1_Thumb.png '#FFFFFF' '#2EC5FF'
thumb SliderBar2_Thumb.png '#8A8F9C' '#3A3F4B'

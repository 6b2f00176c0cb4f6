#!/usr/bin/env bash
# Draws the skin's images (ImageMagick). Caption buttons are 96x32 strips: normal, hot and
# pushed states side by side. Run from this folder; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")"

icon='#B8BCC8'
hot='#FFFFFF'
accent='#2EC5FF'

# Three 32x32 cells with the glyph drawn by $2 (offset per cell), cell backgrounds per state.
strip() {
  local out=$1 glyph=$2 hotbg=${3:-'#2A2D36'} pushbg=${4:-'#22252C'}
  local args=(-size 96x32 xc:none)
  args+=(-fill "$hotbg" -stroke none -draw "roundrectangle 33,1 62,30 5,5")
  args+=(-fill "$pushbg" -draw "roundrectangle 65,1 94,30 5,5")
  args+=(-fill none -strokewidth 1.6)
  for cell in 0 1 2; do
    local dx=$((cell * 32)) colour=$icon
    [ "$cell" -gt 0 ] && colour=$hot
    args+=(-stroke "$colour" -draw "translate $dx,0 $glyph")
  done
  convert "${args[@]}" "PNG32:$out"
}

strip close.png "line 11,11 21,21 line 21,11 11,21" '#E0434B' '#B8323A'
strip min.png "line 10,16 22,16"
strip max.png "rectangle 10,10 22,22"
strip restore.png "rectangle 10,13 19,22 polyline 13,13 13,10 22,10 22,19 19,19"
strip skin.png "circle 16,16 16,10 line 16,10 16,22"
strip set.png "circle 16,16 16,12 line 16,8 16,10 line 16,22 16,24 line 8,16 10,16 line 22,16 24,16"
strip prev.png "polyline 19,10 13,16 19,22"
strip next.png "polyline 13,10 19,16 13,22"

# Profile actions (strips like the caption buttons).
strip profile_add.png "line 16,9 16,23 line 9,16 23,16"
strip profile_copy.png "rectangle 9,12 19,23 polyline 13,12 13,8 23,8 23,19 19,19"
strip profile_delete.png "polyline 10,11 22,11 line 14,11 14,9 line 14,9 18,9 line 18,9 18,11 polyline 11,11 12,23 20,23 21,11" '#E0434B' '#B8323A'
strip profile_import.png "line 16,8 16,19 polyline 12,15 16,19 20,15 polyline 9,19 9,23 23,23 23,19"
strip profile_export.png "line 16,19 16,8 polyline 12,12 16,8 20,12 polyline 9,19 9,23 23,23 23,19"
strip profile_reset.png "arc 9,9 23,23 30,300 polyline 21,8 22,12 18,13"
strip profile_save.png "polyline 10,16 14,20 22,11"
strip profile_more.png "polyline 11,13 16,18 21,13"

# Program logo and tray icon: a rounded key cap with the accent bar.
convert -size 32x32 xc:none -fill '#1C1E24' -stroke "$accent" -strokewidth 2 \
  -draw "roundrectangle 3,5 28,26 6,6" -fill "$accent" -stroke none -draw "rectangle 9,19 22,21" \
  "PNG32:logo.png"
cp logo.png tray.png

# Device pictures of the tabs and of the empty page (64x64, line art).
convert -size 64x40 xc:none -fill none -stroke "$icon" -strokewidth 2 \
  -draw "roundrectangle 2,6 61,35 5,5" \
  -draw "line 10,15 54,15 line 10,22 54,22 line 18,29 46,29" "PNG32:keyboard.png"
convert -size 40x56 xc:none -fill none -stroke "$icon" -strokewidth 2 \
  -draw "roundrectangle 6,3 33,52 13,13 line 20,4 20,20 line 7,20 33,20" "PNG32:mouse.png"
convert -size 56x56 xc:none -fill none -stroke "$icon" -strokewidth 2 \
  -draw "arc 8,6 48,46 180,360" -draw "roundrectangle 4,28 14,48 3,3 roundrectangle 42,28 52,48 3,3" \
  "PNG32:headset.png"
convert -size 72x40 xc:none -fill none -stroke "$icon" -strokewidth 2 \
  -draw "roundrectangle 2,4 69,35 6,6" -stroke "$accent" -draw "line 8,31 63,31" "PNG32:mousepad.png"
convert -size 160x120 xc:none -fill none -stroke '#3A3E4A' -strokewidth 3 \
  -draw "roundrectangle 10,40 150,100 10,10" \
  -draw "line 30,60 130,60 line 30,75 130,75 line 50,88 110,88" \
  -stroke "$accent" -draw "line 70,10 90,30 line 90,10 70,30" "PNG32:nodevice.png"

# Power indicator: battery outline 24x12.
convert -size 24x12 xc:none -fill none -stroke "$icon" -strokewidth 1 \
  -draw "rectangle 0.5,0.5 20.5,11.5" -fill "$icon" -draw "rectangle 21,4 23,8" \
  -fill "$accent" -stroke none -draw "rectangle 2,2 14,10" "PNG32:battery.png"

# Selected tab underline and the lighting switch's dot.
convert -size 8x3 xc:"$accent" "PNG32:tab_line.png"
convert -size 10x10 xc:none -fill "$accent" -draw "circle 5,5 5,1" "PNG32:dot.png"

# The seven-colour choice: a hue sweep, red round to red.
convert -size 64x40 xc:red -colorspace HSL -channel R -fx 'i/w' +channel -colorspace sRGB "PNG32:base1.png"

# Macro recording marks (14x14), drawn over the start and stop buttons.
convert -size 14x14 xc:none -fill '#E5484D' -stroke none -draw "circle 6.5,6.5 6.5,0.5" "PNG32:record.png"
convert -size 14x14 xc:none -fill '#E6E6E6' -stroke none -draw "roundrectangle 1,1 12,12 3,3" \
  "PNG32:record_stop.png"

# Shoot editor: the four guns' side views (180x138, filled outline, muzzle to the right).
gun() {
  convert -size 180x138 xc:none -fill '#2A2E38' -stroke "$icon" -strokewidth 1.5 -draw "$2" \
    -fill "$accent" -stroke none -draw "$3" "PNG32:$1"
}
gun shoot_gun_0.png "polygon 8,58 22,52 60,52 64,46 120,46 124,52 160,52 160,50 172,50 172,58 124,60 112,62 100,92 88,92 94,64 74,64 70,82 60,84 58,64 24,66 14,80 6,78" \
  "rectangle 80,40 104,45"
gun shoot_gun_1.png "polygon 28,56 40,52 112,52 112,50 140,50 140,60 112,60 100,64 92,100 80,100 86,64 72,64 68,92 58,92 62,64 44,64 34,76 26,74" \
  "rectangle 62,46 88,51"
gun shoot_gun_2.png "polygon 4,60 20,54 56,54 60,46 132,46 136,54 166,54 166,52 176,52 176,60 136,60 130,64 126,92 116,92 118,66 96,66 92,84 82,84 80,66 60,66 52,72 20,72 8,80 4,76" \
  "polygon 138,66 141,66 133,96 130,96 polygon 146,66 149,66 157,96 154,96"
gun shoot_gun_3.png "polygon 6,60 20,56 62,56 66,52 116,52 116,56 176,56 176,60 116,62 100,62 96,84 86,84 88,64 72,64 66,78 56,78 56,66 24,68 12,82 4,80" \
  "rectangle 68,40 108,49 rectangle 72,49 76,52 rectangle 100,49 104,52"

# The update page's busy ring and status mark (32x32).
convert -size 32x32 xc:none -fill none -stroke '#2A2F37' -strokewidth 4 -draw "circle 16,16 16,4" \
  -stroke "$accent" -draw "arc 4,4 28,28 -90,45" PNG32:update_ring.png
convert -size 32x32 xc:none -fill '#1F6E8C' -stroke none -draw "circle 16,16 16,3" \
  -fill none -stroke '#FFFFFF' -strokewidth 3 -draw "polyline 9,16 14,21 23,11" PNG32:update_status.png
convert -size 32x32 xc:none -fill '#8C5A1F' -stroke none -draw "circle 16,16 16,3" \
  -fill '#FFFFFF' -draw "roundrectangle 14,8 18,19 2,2" -draw "circle 16,23.5 16,21.5" PNG32:update_attention.png

# Check box: unchecked and checked, two 20x20 cells.
convert -size 40x20 xc:none \
  -fill '#23262E' -stroke '#5A606E' -strokewidth 1.5 -draw "roundrectangle 2,2 17,17 4,4" \
  -fill "$accent" -stroke "$accent" -draw "roundrectangle 22,2 37,17 4,4" \
  -fill none -stroke '#0E1116' -strokewidth 2 -draw "line 25,10 28.5,13.5 line 28.5,13.5 34.5,6.5" \
  PNG32:check.png

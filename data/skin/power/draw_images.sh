#!/usr/bin/env bash
# Draws the power indicator's images (ImageMagick): the charging states 24x12 and the phones
# on the mouse pad's charger 12x16. Run from this folder; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")"
icon='#B8BCC8'
accent='#2EC5FF'
green='#46D37A'

battery() {  # $1 file, then extra convert arguments
  local out=$1; shift
  convert -size 24x12 xc:none -fill none -stroke "$icon" -strokewidth 1 \
    -draw "rectangle 0.5,0.5 20.5,11.5" -fill "$icon" -draw "rectangle 21,4 23,8" "$@" "PNG32:$out"
}
battery powered.png
battery power.png -fill "$green" -stroke none -draw "rectangle 2,2 19,10"
battery powering.png -fill none -stroke "$accent" -strokewidth 1.5 -draw "polyline 11,2 8,6 12,6 9,10"
battery wuxian_powering.png -fill none -stroke "$accent" -strokewidth 1.2 -draw "arc 5,3 15,13 200,340" \
  -draw "arc 7,5 13,11 200,340"

phone() {  # $1 file, $2 colour
  convert -size 12x16 xc:none -fill none -stroke "$2" -strokewidth 1 \
    -draw "roundrectangle 1.5,0.5 10.5,15.5 2,2" -draw "line 5,13 7,13" "PNG32:$1"
}
phone Phone_type_iphone.png "$icon"
phone Phone_type_samsung.png "$icon"
phone Phone_type_other.png "$icon"
phone Phone_type_no_device.png '#4A4E5A'

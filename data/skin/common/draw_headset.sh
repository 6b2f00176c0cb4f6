#!/usr/bin/env bash
# Draws the headset page's images (ImageMagick): the headset seen from the side at twice its
# size on the page (band, the far ear cup behind, the near ear cup with its lit ring, the mic
# boom with its lit tip), the feature switches, the equaliser sliders' track, fill and thumb, and
# the voice changer's and surround page's glyphs. Run from this folder; the PNG files are committed.
set -euo pipefail
cd "$(dirname "$0")"

body='#22252D' edge='#3A3F4B' seam='#0F1013' detail='#5A606E' cushion='#121317' accent='#2EC5FF'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ImageMagick closes a stroked open path; drawn there and back, the closing edge has no length.
stroke() { echo "path '$1 $2 Z'"; }
# Without the time stamps, drawing again gives the same files.
png=(-define png:exclude-chunks=date,time)

# The ring's diffuser, unlit: the LEDs on the page give it its colour.
convert -size 560x336 xc:'#454B57' "$work/hue.png"
convert -size 560x336 xc:black -fill none -stroke '#A6A6A6' -strokewidth 9 -draw "circle 242,206 242,122" \
  -blur 0x1.2 "$work/ring_mask.png"
convert "$work/hue.png" "$work/ring_mask.png" -alpha off -compose CopyOpacity -composite "$work/ring.png"
# Its sheen on the cup's face: the same grey, wider and soft.
convert -size 560x336 xc:black -fill none -stroke '#606060' -strokewidth 26 -draw "circle 242,206 242,122" \
  -blur 0x9 "$work/glow_mask.png"
convert "$work/hue.png" "$work/glow_mask.png" -alpha off -compose CopyOpacity -composite "$work/glow.png"

convert -size 560x336 xc:none \
  -fill "$seam" -stroke '#262931' -strokewidth 3 -draw "ellipse 402,190 74,100 0,360" \
  -fill '#181A20' -stroke none -draw "ellipse 396,190 62,88 0,360" \
  -fill "$body" -stroke "$seam" -strokewidth 3 \
  -draw "path 'M 210,100 C 206,24 276,6 338,6 C 402,6 442,36 438,92 L 412,92 C 414,52 384,32 338,32 C 290,32 236,48 238,100 Z'" \
  -fill "$cushion" -stroke none \
  -draw "path 'M 238,100 C 236,48 290,32 338,32 C 384,32 414,52 412,92 L 404,92 C 404,60 380,42 338,42 C 296,42 246,58 246,100 Z'" \
  -fill none -stroke "$edge" -strokewidth 2 \
  -draw "$(stroke 'M 216,96 C 214,30 280,12 338,12' 'C 280,12 214,30 216,96')" \
  -fill "$body" -stroke "$edge" -strokewidth 3 -draw "roundrectangle 212,70 240,112 8,8" \
  -draw "roundrectangle 408,70 434,104 8,8" \
  -fill "$cushion" -stroke '#1E2026' -strokewidth 3 -draw "ellipse 262,208 112,116 0,360" \
  -fill "$body" -stroke "$edge" -strokewidth 3 -draw "ellipse 242,206 112,116 0,360" \
  -fill '#1C1E25' -stroke "$seam" -strokewidth 2 -draw "circle 242,206 242,108" \
  "$work/glow.png" -compose Screen -composite -compose Over \
  -fill none -stroke "$seam" -strokewidth 15 -draw "circle 242,206 242,122" \
  "$work/ring.png" -composite \
  -fill '#1A1C22' -stroke "$edge" -strokewidth 2 -draw "circle 242,206 242,138" \
  -fill none -stroke '#262931' -strokewidth 1 -draw "circle 242,206 242,150" \
  -fill "$detail" -stroke none -font DejaVu-Sans-Bold -pointsize 26 -gravity NorthWest \
  -draw "text 210,192 'KX58'" \
  -fill none -stroke "$seam" -strokewidth 14 \
  -draw "$(stroke 'M 168,292 C 130,322 96,326 56,312' 'C 96,326 130,322 168,292')" \
  -stroke "$body" -strokewidth 9 \
  -draw "$(stroke 'M 168,292 C 130,322 96,326 56,312' 'C 96,326 130,322 168,292')" \
  -fill "$body" -stroke "$edge" -strokewidth 3 -draw "circle 170,290 170,274" \
  -fill "$seam" -stroke none -draw "circle 170,290 170,282" \
  -fill "$body" -stroke "$edge" -strokewidth 3 -draw "roundrectangle 18,296 64,326 14,14" \
  -fill none -stroke "$detail" -strokewidth 2 -draw "line 30,304 30,318 line 38,302 38,320 line 46,304 46,318" \
  "${png[@]}" "PNG32:headset_side.png"

# The on/off switch of a feature, at twice its size on the page: off, on, not available.
toggle() {
  convert -size 88x48 xc:none -fill "$2" -stroke "$3" -strokewidth 2 -draw "roundrectangle 1,1 86,46 23,23" \
    -fill "$4" -stroke none -draw "circle $5,24 $5,7" "${png[@]}" "PNG32:$1"
}
toggle hs_toggle_off.png '#2A2E38' "$edge" '#8A8F9C' 24
toggle hs_toggle_on.png "$accent" "$accent" '#FFFFFF' 64
toggle hs_toggle_disabled.png '#1B1D23' '#262931' '#30343E' 24

# The equaliser's band sliders at twice their size: the track with its 0 dB mark, the part
# below the value and the thumb.
convert -size 28x196 xc:none -fill '#3A3F4B' -draw "rectangle 4,97 23,98" \
  -fill '#2A2F37' -draw "roundrectangle 11,2 16,193 3,3" "${png[@]}" "PNG32:hs_eq_track.png"
convert -size 28x196 xc:none -fill "$accent" -draw "roundrectangle 11,2 16,193 3,3" "${png[@]}" "PNG32:hs_eq_fill.png"
convert -size 28x28 xc:none -fill '#FFFFFF' -stroke "$accent" -strokewidth 4 -draw "circle 14,14 14,3" \
  "${png[@]}" "PNG32:hs_eq_thumb.png"

# The voice changer's effects, 80x80 cells at twice their size: original (a microphone), male,
# female, child (a small face) and robot; one row each for normal, chosen and not available.
args=(-size 400x240 xc:none)
magic_row() {
  local y=$1 colour=$2
  args+=(-fill none -stroke "$colour" -strokewidth 5
    -draw "translate 0,$y roundrectangle 31,12 49,46 9,9"
    -draw "translate 0,$y $(stroke 'M 22,36 C 22,58 58,58 58,36' 'C 58,58 22,58 22,36')"
    -draw "translate 0,$y line 40,54 40,66 line 29,67 51,67"
    -draw "translate 80,$y circle 34,46 34,28 line 47,33 62,18 polyline 49,18 62,18 62,31"
    -draw "translate 160,$y circle 40,30 40,12 line 40,48 40,70 line 29,60 51,60"
    -draw "translate 240,$y circle 40,44 40,20"
    -draw "translate 240,$y $(stroke 'M 30,50 Q 40,60 50,50' 'Q 40,60 30,50')"
    -draw "translate 240,$y $(stroke 'M 40,20 Q 40,10 50,12' 'Q 40,10 40,20')"
    -draw "translate 320,$y roundrectangle 18,26 62,62 9,9 line 40,26 40,14 line 11,38 11,50 line 69,38 69,50"
    -fill "$colour" -stroke none
    -draw "translate 240,$y circle 32,40 32,36 circle 48,40 48,36"
    -draw "translate 320,$y circle 40,11 40,6 roundrectangle 28,38 36,46 2,2 roundrectangle 44,38 52,46 2,2"
    -draw "translate 320,$y rectangle 30,52 50,55")
}
magic_row 0 '#8A8F9C'
magic_row 80 "$accent"
magic_row 160 '#3A3F4B'
convert "${args[@]}" "${png[@]}" "PNG32:hs_magic_glyphs.png"

# The surround page's features, 56x56 cells at twice their size: virtual surround (a listener
# among seven speakers), environment reverb (waves coming back from a wall) and microphone
# noise cancelling (a noisy wave that goes on smooth).
args=(-size 168x56 xc:none -fill none -stroke "$accent" -strokewidth 4
  -draw "circle 28,28 28,20"
  -fill "$accent" -stroke none)
for angle in 0 51 103 154 206 257 309; do
  args+=(-draw "translate 28,28 rotate $angle circle 0,-21 0,-17")
done
args+=(-fill none -stroke "$accent" -strokewidth 4
  -draw "translate 56,0 line 50,8 50,48"
  -draw "translate 56,0 $(stroke 'M 14,16 Q 26,28 14,40' 'Q 26,28 14,16')"
  -draw "translate 56,0 $(stroke 'M 26,10 Q 42,28 26,46' 'Q 42,28 26,10')"
  -fill "$accent" -stroke none -draw "translate 56,0 circle 7,28 7,24"
  -fill none -stroke "$accent" -strokewidth 3
  -draw "translate 112,0 polyline 4,28 8,18 12,38 16,20 20,35 24,24 28,28"
  -strokewidth 4
  -draw "translate 112,0 $(stroke 'M 28,28 C 34,20 40,20 46,28 C 49,32 51,32 53,30' 'C 51,32 49,32 46,28 C 40,20 34,20 28,28')")
convert "${args[@]}" "${png[@]}" "PNG32:hs_sound_glyphs.png"

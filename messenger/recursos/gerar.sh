#!/usr/bin/env bash
# Redraws the splash's background tile (127 x 127, 256 colours), the
# program's icon (32 x 31, 16 colours) and the same icon for the desktop's
# menus (48 and 256 pixels) with ImageMagick. The PNGs are kept in the tree;
# run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"

# Pale speech bubbles on a light ground; nothing crosses the tile's edges,
# so the copies meet without a seam.
convert -size 127x127 xc:'#e9eff0' \
  -fill '#dbe7e9' -stroke '#cfdfe2' -strokewidth 1 \
  -draw 'roundrectangle 10,12 66,44 9,9' \
  -draw 'polygon 20,43 18,55 32,43' \
  -draw 'roundrectangle 62,72 116,102 9,9' \
  -draw 'polygon 104,101 108,113 94,101' \
  -stroke none -fill '#cbdcdf' \
  -draw 'circle 26,28 28,28' -draw 'circle 38,28 40,28' -draw 'circle 50,28 52,28' \
  -draw 'circle 78,87 80,87' -draw 'circle 90,87 92,87' -draw 'circle 102,87 104,87' \
  -fill '#e1eaec' -draw 'circle 98,26 104,26' -draw 'circle 24,96 28,96' \
  -colors 256 PNG8:fundo.png

# A teal speech bubble with two lines of text.
convert -size 32x31 xc:none \
  -fill '#008080' -stroke '#004040' -strokewidth 1 \
  -draw 'roundrectangle 1,2 30,21 5,5' \
  -draw 'polygon 7,20 5,29 15,20' \
  -stroke none -fill '#008080' -draw 'rectangle 7,19 14,21' \
  -fill white -draw 'rectangle 6,8 25,9' -draw 'rectangle 6,13 19,14' \
  -colors 16 PNG8:icone.png

# The same bubble for the menus and launchers, drawn at scale with smooth
# edges, centred on a transparent square with a small margin:
# the body and tail once thick in the outline colour, then filled over, so
# the outline runs round both as one shape.
for n in 48 256; do
  m=$(awk "BEGIN { k = $n / 34; print \"affine \" k \",0,0,\" k \",\" 1.5 * k \",\" 1.5 * k }")
  bolha="roundrectangle 1,2 30,21 5,5 polygon 7,20 5,29 15,20"
  convert -size "${n}x${n}" xc:none \
    -fill '#004040' -stroke '#004040' -strokewidth 1.2 -draw "$m $bolha" \
    -fill '#008080' -stroke none -draw "$m $bolha" \
    -fill white -draw "$m rectangle 6,8 25,9.6 rectangle 6,13 19,14.6" \
    "PNG32:icone-$n.png"
done

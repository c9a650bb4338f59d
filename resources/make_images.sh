#!/bin/sh
# Draws the program's pictures: the logo (185 x 40 GIF), one 96 x 96 JPEG per
# mail program and the window icon (32 x 32 and 16 x 16, 16 colours).
# Needs ImageMagick 6 and the DejaVu fonts. Run from any folder; writes beside
# this script.
set -eu
cd "$(dirname "$0")"
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
BOOK=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
INK='#1f3a68'
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# An envelope seen from the front: body, the two lower folds and the flap.
# $1 size, $2 body colour, $3 line colour, $4 line width, $5 output.
envelope() {
  s=$1
  w=$((s * 7 / 8)); h=$((s * 5 / 8))
  x0=$(((s - w) / 2)); y0=$(((s - h) / 2)); x1=$((x0 + w - 1)); y1=$((y0 + h - 1))
  mx=$((s / 2)); my=$((y0 + h * 11 / 20))
  convert -size "${s}x${s}" xc:none \
    -fill "$2" -stroke "$3" -strokewidth "$4" -draw "rectangle $x0,$y0 $x1,$y1" \
    -fill none -draw "line $x0,$y1 $((mx - s / 10)),$((my - s / 20))" \
    -draw "line $x1,$y1 $((mx + s / 10)),$((my - s / 20))" \
    -draw "polyline $x0,$y0 $mx,$my $x1,$y0" \
    "$5"
}

# Logo: an envelope with the program name beside it, on white.
envelope 36 '#ffffff' "$INK" 2 "$tmp/env36.png"
convert -size 185x40 xc:white \
  "$tmp/env36.png" -geometry +4+2 -composite \
  -font "$BOLD" -pointsize 22 -fill "$INK" -annotate +46+24 'Telvora' \
  -font "$BOOK" -pointsize 9 -fill '#4a78b8' -annotate +47+35 'e-posta hesap kurulumu' \
  -colors 16 logo.gif

# Program pictures: an envelope on a rounded tile, blue for Outlook; an open
# envelope with a letter coming out, green, for Outlook Express.
convert -size 96x96 xc:white \
  \( -size 88x88 gradient:'#5b8fd6'-'#1f3a68' \
     \( -size 88x88 xc:none -fill white -draw 'roundrectangle 0,0 87,87 14,14' \) \
     -compose CopyOpacity -composite \) -geometry +4+4 -compose Over -composite \
  \( -size 96x96 xc:none -fill white -stroke '#1f3a68' -strokewidth 2 \
     -draw 'rectangle 18,30 77,69' -fill none \
     -draw 'polyline 18,30 48,53 77,30' -draw 'line 18,69 40,48' -draw 'line 77,69 56,48' \) \
  -composite -quality 92 outlook.jpg

convert -size 96x96 xc:white \
  \( -size 88x88 gradient:'#7cc47f'-'#2d6b35' \
     \( -size 88x88 xc:none -fill white -draw 'roundrectangle 0,0 87,87 14,14' \) \
     -compose CopyOpacity -composite \) -geometry +4+4 -compose Over -composite \
  \( -size 96x96 xc:none -stroke '#2d4d30' -strokewidth 2 \
     -fill '#fffbe8' -draw 'rectangle 28,18 67,56' \
     -stroke '#9a9a9a' -strokewidth 1 -draw 'line 33,26 62,26' -draw 'line 33,32 62,32' \
     -draw 'line 33,38 56,38' \
     -stroke '#2d4d30' -strokewidth 2 -fill white \
     -draw 'polygon 18,44 48,62 77,44 77,76 18,76' \
     -fill none -draw 'line 18,76 42,58' -draw 'line 77,76 54,58' \) \
  -composite -quality 92 express.jpg

# Icon: the envelope on a blue square, 16 colours per image. The images are
# opaque, so that the icon is written with a 4-bit colour table.
for s in 32 16; do
  lw=2; [ "$s" -eq 16 ] && lw=1
  envelope "$s" '#ffffff' "$INK" "$lw" "$tmp/env$s.png"
  convert -size "${s}x${s}" xc:'#3f6fb5' "$tmp/env$s.png" -compose Over -composite \
    -alpha off -colors 16 -type Palette "$tmp/icon$s.png"
done
convert "$tmp/icon32.png" "$tmp/icon16.png" telvora.ico

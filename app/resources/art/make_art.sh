#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick and writes them next to the
# resource script: the icon group (pindrel.ico), the main window's banner,
# the About box's product picture and the visual-style control's face.
# The results are committed; run this again only to change the artwork.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

navy='#163a5f'; blue='#2e75b6'; sky='#9dc3e6'; orange='#f28c28'

# The emblem: a contact card with a person and text lines, and an orange
# badge with two arrows for "both ways". Drawn large, scaled down.
emblem() {  # emblem SIZE OUT
  convert -size 256x256 xc:none \
    -fill "$navy" -draw "roundrectangle 18,40 226,214 26,26" \
    -fill "$blue" -draw "roundrectangle 26,48 218,206 20,20" \
    -fill white -draw "rectangle 26,92 218,186" -draw "roundrectangle 26,150 218,206 20,20" \
    -fill "$blue" -draw "circle 78,128 78,106" -draw "roundrectangle 44,156 112,196 18,18" \
    -fill white -draw "rectangle 40,186 120,206" \
    -fill "$sky" -draw "roundrectangle 128,112 200,124 5,5" -draw "roundrectangle 128,138 186,150 5,5" \
    -fill "$sky" -draw "roundrectangle 128,164 200,176 5,5" \
    -fill white -draw "roundrectangle 40,60 150,76 7,7" \
    -fill white -draw "circle 196,196 196,142" \
    -fill "$orange" -draw "circle 196,196 196,148" \
    -fill white -draw "polygon 166,184 206,184 206,170 230,192 206,214 206,200 166,200" \
    -fill "#fde3c8" -draw "polygon 226,208 186,208 186,194 162,216 186,238 186,224 226,224" \
    -filter Lanczos -resize "$1x$1" "$2"
}

emblem 256 "$work/emblem256.png"
for s in 16 32 48; do
  emblem "$s" "$work/e$s.png"
  convert "$work/e$s.png" -depth 8 "rgba:$work/e$s.rgba"
  # 256 colours: the image's own palette.
  convert "$work/e$s.png" -alpha off +dither -colors 255 -alpha on \
    -channel A -threshold 50% +channel -depth 8 "rgba:$work/e$s-8.rgba"
done
# 16 colours: the standard Windows palette.
printf '%s\n' '#000000' '#800000' '#008000' '#808000' '#000080' '#800080' '#008080' '#c0c0c0' \
  '#808080' '#ff0000' '#00ff00' '#ffff00' '#0000ff' '#ff00ff' '#00ffff' '#ffffff' > "$work/vga.txt"
convert $(sed 's/^/xc:/' "$work/vga.txt") +append "$work/vga.png"
convert "$work/vga.png" -depth 8 "rgb:$work/vga.rgb"
for s in 16 32 48; do
  convert "$work/e$s.png" -alpha off +dither -remap "$work/vga.png" \
    \( "$work/e$s.png" -alpha extract -threshold 50% \) -alpha off -compose copy_opacity -composite \
    -depth 8 "rgba:$work/e$s-4.rgba"
done
python3 "$here/make_ico.py" "$out/pindrel.ico" \
  "16:4:$work/e16-4.rgba:$work/vga.rgb" "32:4:$work/e32-4.rgba:$work/vga.rgb" "48:4:$work/e48-4.rgba:$work/vga.rgb" \
  "16:8:$work/e16-8.rgba" "32:8:$work/e32-8.rgba" "48:8:$work/e48-8.rgba" \
  "32:32:$work/e32.rgba"

# Banner, 487 x 113: a deep blue band with the emblem and the product name,
# fading at the bottom into the window's light background so the first line
# of text below it stays readable.
emblem 84 "$work/e84.png"
convert -size 487x96 gradient:"$navy"-"$blue" -rotate -90 -resize '487x96!' "$work/band.png"
convert -size 487x17 gradient:"#5b8fc4"-'#e3e3e3' "$work/fade.png"
convert "$work/band.png" "$work/fade.png" -append \
  -fill '#ffffff18' -draw "circle 440,20 440,150" -fill '#ffffff10' -draw "circle 470,100 470,170" \
  "$work/e84.png" -geometry +18+6 -composite \
  -font DejaVu-Sans-Bold -pointsize 38 -fill white -annotate +116+50 'Pindrel' \
  -font DejaVu-Sans -pointsize 14 -fill '#dbe8f5' -annotate +118+76 'Outlook contacts  ⇄  vCard files' \
  -font DejaVu-Sans -pointsize 10 -fill '#b9d2ea' -annotate +400+88 'version 2.0' \
  -alpha off -type truecolor "BMP3:$out/banner.bmp"

# About picture, 153 x 111, on the box's white background.
emblem 96 "$work/e96.png"
convert -size 153x111 radial-gradient:'#e8f1fa'-white \
  "$work/e96.png" -geometry +28+4 -composite \
  -font DejaVu-Sans-Bold -pointsize 11 -fill "$navy" -gravity south -annotate +0+4 'vCard  ⇄  Outlook' \
  -alpha off -type truecolor "BMP3:$out/about.bmp"

# The visual-style control's face: 54 x 54 on magenta.
emblem 40 "$work/e40.png"
convert -size 54x54 xc:magenta "$work/e40.png" -geometry +7+7 -composite \
  -alpha off -type truecolor "BMP3:$out/xpstyle.bmp"

# 16 x 16 icons of the export and import windows: a contact card, and a
# contacts folder. Drawn at 64 and scaled down, 32 bits and 256 colours.
small_icon() {  # small_icon NAME DRAW...
  local name=$1; shift
  convert -size 64x64 xc:none "$@" -filter Lanczos -resize 16x16 "$work/$name.png"
  convert "$work/$name.png" -depth 8 "rgba:$work/$name.rgba"
  convert "$work/$name.png" -alpha off +dither -colors 255 -alpha on \
    -channel A -threshold 50% +channel -depth 8 "rgba:$work/$name-8.rgba"
  python3 "$here/make_ico.py" "$out/$name.ico" "16:8:$work/$name-8.rgba" "16:32:$work/$name.rgba"
}
small_icon contact \
  -fill "$navy" -draw "roundrectangle 2,8 61,56 8,8" -fill "$sky" -draw "roundrectangle 5,11 58,53 6,6" \
  -fill "$blue" -draw "circle 20,28 20,19" -draw "roundrectangle 8,38 32,52 7,7" \
  -fill "$navy" -draw "rectangle 36,22 54,26" -draw "rectangle 36,32 50,36" -draw "rectangle 36,42 54,46"
small_icon folder \
  -fill "#c9922b" -draw "roundrectangle 2,10 28,22 4,4" -draw "roundrectangle 2,16 61,56 5,5" \
  -fill "$orange" -draw "roundrectangle 2,22 61,56 5,5" \
  -fill "$navy" -draw "circle 32,34 32,28" -draw "roundrectangle 22,42 42,52 5,5"
echo "wrote $out/pindrel.ico banner.bmp about.bmp xpstyle.bmp contact.ico folder.ico"

#!/usr/bin/env bash
# Draws every picture of the installer window and its icon into resources/generated/.
# Needs ImageMagick 6 (Debian's `convert`) and the DejaVu fonts; both come with scripts/deps.sh.
set -euo pipefail
cd "$(dirname "$0")"

IM=convert
[ -x /usr/bin/convert ] && IM=/usr/bin/convert
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
FONT_LIGHT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
OUT=generated
mkdir -p "$OUT"

ORANGE='#F7941D'
W=1040
H=585

# Same bytes on every run: no time stamps, no comments.
# png OUT ARGS...: draws ARGS into an 8-bit RGBA PNG; jpeg OUT IN: stores IN as a baseline JPEG.
png() {
  local out=$1
  shift
  "$IM" "$@" -strip -define png:exclude-chunks=date,time "PNG32:$out"
}
jpeg() { "$IM" "$2" -strip -interlace none -sampling-factor 4:2:0 -quality 90 "$1"; }

# Light grey geometric backdrop with the orange arc on the right and the branding in the corners.
background() {
  "$IM" -size ${W}x${H} gradient:'#F4F4F5'-'#DCDDE0' \
    -fill '#E9EAEC' -draw "polygon 0,0 430,0 250,585 0,585" \
    -fill '#D5D6D9' -draw "polygon 600,585 820,210 1040,585" \
    -fill '#E2E3E6' -draw "polygon 330,0 700,0 520,300" \
    -fill '#CFD0D4' -draw "polygon 0,470 180,585 0,585" \
    -fill none -stroke "$ORANGE" -strokewidth 26 -draw "circle 1080,170 1080,470" \
    -stroke '#FBC58A' -strokewidth 6 -draw "circle 1080,170 1080,525" \
    -stroke none -fill "$ORANGE" -draw "rectangle 24,22 40,38" \
    -fill '#2B2B2E' -font "$FONT" -pointsize 20 -annotate +48+37 'NORDEKA' \
    -fill '#6B6C70' -font "$FONT_LIGHT" -pointsize 13 -annotate +24+568 'Pakiety bibliotek CAD' \
    "$@"
}

background -fill '#2B2B2E' -font "$FONT" -pointsize 40 -annotate +105+230 'INSTALATOR BIBLIOTEK' \
  -fill "$ORANGE" -font "$FONT" -pointsize 26 -annotate +107+276 'dla programu CAD' \
  -fill '#55565A' -font "$FONT_LIGHT" -pointsize 15 \
  -annotate +107+312 'Modele, tekstury i akcesoria producentów w jednym kroku.' \
  "$OUT/bg_tmp.ppm"
jpeg "$OUT/background.jpg" "$OUT/bg_tmp.ppm"

background -fill '#000000' -font "$FONT" -pointsize 36 -gravity center \
  -annotate +0-10 'INSTALACJA ZAKOŃCZONA POMYŚLNIE' "$OUT/finish_tmp.ppm"
jpeg "$OUT/finish.jpg" "$OUT/finish_tmp.ppm"
rm -f "$OUT"/*_tmp.ppm

# One image-button look: rounded face, optional pressed-in edge, centred word.
button() {
  local word=$1 face=$2 ink=$3 edge=$4 file=$5
  local draw=(-fill "$face" -draw "roundrectangle 1,1 149,48 12,12")
  if [ "$edge" != none ]; then
    draw+=(-fill none -stroke "$edge" -strokewidth 4 -draw "roundrectangle 3,3 147,46 10,10"
      -stroke none)
  fi
  png "$file" -size 151x50 xc:none "${draw[@]}" \
    -fill "$ink" -font "$FONT" -pointsize 17 -gravity center -annotate +0+1 "$word"
}

for b in Install:INSTALUJ Close:ZAMKNIJ; do
  name=${b%%:*}
  word=${b#*:}
  lower=$(echo "$name" | tr 'A-Z' 'a-z')
  button "$word" "$ORANGE" '#FFFFFF' none "$OUT/${lower}_normal.png"
  button "$word" "$ORANGE" '#FFF3A6' none "$OUT/${lower}_hover.png"
  button "$word" "$ORANGE" '#FFF3A6' '#B8600A' "$OUT/${lower}_active.png"
  button "$word" '#DBDBDB' '#B4B4B4' none "$OUT/${lower}_disable.png"
done

# Progress backdrop: almost black, nearly transparent, faint bands at the top and bottom.
png "$OUT/gauge_bg.png" -size 1040x57 xc:'rgba(3,3,7,0.06)' \
  -fill 'rgba(3,3,7,0.22)' -draw "rectangle 0,0 1039,3" -draw "rectangle 0,53 1039,56"

# Icon: one 256 x 256 picture of 32 bits per pixel, stored PNG-compressed.
png "$OUT/icon_tmp.png" -size 256x256 xc:none -fill "$ORANGE" \
  -draw "roundrectangle 8,8 247,247 40,40" \
  -fill none -stroke '#FFFFFF' -strokewidth 10 -draw "arc 48,48 208,208 200,340" -stroke none \
  -fill '#FFFFFF' -font "$FONT" -pointsize 64 -gravity center -annotate +0+24 'CAD'
"$IM" "$OUT/icon_tmp.png" -define icon:auto-resize=256 "$OUT/installer.ico"
rm -f "$OUT/icon_tmp.png"
echo "resources: written to resources/$OUT"

#!/usr/bin/env bash
# Draws the program's small images (data/B01.DAT ... data/B22.DAT) with ImageMagick.
# The ".DAT" files are plain PNG or GIF images under neutral names; start-up copies them into
# the work folder under the names the style sheets use (see data/ASSETS.md).
set -euo pipefail
cd "$(dirname "$0")/../data"
FONT=DejaVu-Sans-Bold

# A round 16 x 16 sign with a letter.
sign() { # out colour letter
  convert -size 16x16 xc:none -fill "$2" -draw "circle 7.5,7.5 7.5,0.5" \
    -fill white -font "$FONT" -pointsize 11 -gravity center -annotate +0+0 "$3" "png:$1"
}
# A 32 x 32 badge with initials, for the reader groups.
badge() { # out colour initials
  convert -size 32x32 xc:none -fill "$2" -draw "roundrectangle 1,1 30,30 7,7" \
    -fill white -font "$FONT" -pointsize 12 -gravity center -annotate +0+0 "$3" "png:$1"
}
# A thin horizontal rule, 100 x 2, as GIF.
rule() { # out colour
  convert -size 100x2 "gradient:$2-white" -rotate 90 -resize 100x2\! "gif:$1"
}

sign B01.DAT '#c0392b' '!'                                  # attent.png
sign B02.DAT '#7f8c8d' 'E'                                  # editor.png
sign B03.DAT '#2e6db4' 'i'                                  # info.png
sign B04.DAT '#8e6c2f' 'S'                                  # sample.png
convert -size 200x20 gradient:'#dfe7f2'-'#b9c8de' gif:B05.DAT   # head.gif
# kvl.png: the logo, a blue tile with two offset sheets and the letter "К".
convert -size 32x32 xc:none -fill '#1f3b64' -draw "roundrectangle 0,0 31,31 6,6" \
  -fill '#ffffff' -draw "rectangle 7,6 19,24" -fill '#cfe0f5' -draw "rectangle 12,10 24,27" \
  -fill '#1f3b64' -font "$FONT" -pointsize 13 -gravity center -annotate +3+3 'К' png:B06.DAT
# new.png / new2.png: small "new" tags.
convert -size 28x12 xc:'#d35400' -fill white -font "$FONT" -pointsize 8 -gravity center \
  -annotate +0+0 'NEW' png:B07.DAT
convert -size 28x12 xc:'#27ae60' -fill white -font "$FONT" -pointsize 8 -gravity center \
  -annotate +0+0 'NEW' png:B12.DAT
rule B08.DAT '#1f3b64'                                       # line1.gif
rule B09.DAT '#2e6db4'                                       # line2.gif
rule B10.DAT '#7f8c8d'                                       # line3.gif
rule B11.DAT '#c0392b'                                       # line4.gif
badge B13.DAT '#16a085' 'Бх'                                 # img/accountant.png
convert -size 12x12 xc:none -fill '#2e6db4' -draw "polygon 2,1 10,6 2,11" png:B14.DAT  # img/arr-topic.png
badge B15.DAT '#d35400' 'Ст'                                 # img/builder.png
badge B16.DAT '#1f3b64' 'Рк'                                 # img/direktor.png
badge B17.DAT '#8e44ad' 'Эк'                                 # img/economist.png
badge B18.DAT '#c0392b' 'Кд'                                 # img/hr.png
badge B19.DAT '#2c3e50' 'Юр'                                 # img/lawyer.png
badge B20.DAT '#27ae60' 'Зщ'                                 # img/protector.png
badge B21.DAT '#b9770e' 'Ск'                                 # img/secretary.png
badge B22.DAT '#2e6db4' 'Вс'                                 # img/users.png
# Strip the time stamps ImageMagick writes, so that the files stay the same from run to run.
for f in B0[1-46-7].DAT B1[2-9].DAT B2[0-2].DAT; do
  mogrify -strip "png:$f" 2>/dev/null || true
done

# The program's icon for the desktop: two sheets side by side, the old one with a passage struck
# through on pink, the new one with a passage on green. Drawn as SVG; the PNG sizes of the
# icon theme are rendered from it.
icons=../packaging/icons
mkdir -p "$icons"
cat >"$icons/parvel.svg" <<'SVG'
<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <rect x="8" y="8" width="240" height="240" rx="40" fill="#1f3b64" stroke="none"/>
  <rect x="30" y="40" width="92" height="176" rx="8" fill="#ffffff" stroke="none"/>
  <rect x="134" y="40" width="92" height="176" rx="8" fill="#ffffff" stroke="none"/>
  <g stroke="#9aa8bb" stroke-width="10" stroke-linecap="round">
    <line x1="46" y1="66" x2="106" y2="66"/>
    <line x1="46" y1="90" x2="96" y2="90"/>
    <line x1="46" y1="162" x2="106" y2="162"/>
    <line x1="46" y1="186" x2="86" y2="186"/>
    <line x1="150" y1="66" x2="210" y2="66"/>
    <line x1="150" y1="90" x2="200" y2="90"/>
    <line x1="150" y1="162" x2="210" y2="162"/>
    <line x1="150" y1="186" x2="190" y2="186"/>
  </g>
  <rect x="40" y="110" width="72" height="32" rx="4" fill="#f4b6c2" stroke="none"/>
  <line x1="46" y1="126" x2="106" y2="126" stroke="#c0392b" stroke-width="7" stroke-linecap="round"/>
  <rect x="144" y="110" width="72" height="32" rx="4" fill="#9fe0a8" stroke="none"/>
  <line x1="150" y1="126" x2="210" y2="126" stroke="#1e7e34" stroke-width="10" stroke-linecap="round"/>
</svg>
SVG
for size in 16 24 32 48 64 128 256; do
  convert -background none "$icons/parvel.svg" -resize "${size}x${size}" -depth 8 -strip \
    "png:$icons/parvel-$size.png"
done

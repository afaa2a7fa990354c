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

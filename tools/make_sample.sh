#!/usr/bin/env bash
# Regenerates the bundled sample: question and set files (Shift-JIS, CR LF) from the UTF-8
# texts in tools/sample_text, the pictures and wallpapers (ImageMagick), the sound effects and
# the tune (tools/make_audio.py). The results are committed, so a build never has to run this.
set -euo pipefail
# Drawing helpers print one convert argument per line; splitting only at line ends keeps
# arguments such as "circle 10,10 20,10" whole.
IFS=$'\n'
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/sample}
img=$out/img
mkdir -p "$out" "$img" "$out/snd" "$out/bgm"
command -v convert >/dev/null || { echo "make_sample: ImageMagick 'convert' is missing" >&2; exit 1; }
command -v python3 >/dev/null || { echo "make_sample: python3 is missing" >&2; exit 1; }

# --- question and set files -------------------------------------------------------------
# iconv fails on a character that Shift-JIS cannot hold, which is what we want here.
for src in "$root"/tools/sample_text/*.txt; do
  name=$(basename "$src" .txt)
  iconv -f UTF-8 -t CP932 "$src" | sed 's/$/\r/' > "$out/$name.tmp"
  mv "$out/$name.tmp" "$out/$name"
done

# --- pictures -----------------------------------------------------------------------------
# LoadImage wants plain 24-bit BMPs; the JPEG decoder wants three-component baseline JPEGs.
save_bmp() { local file=$1; shift; convert "$@" -alpha off -type TrueColor "BMP3:$img/$file"; }
save_jpg() {
  local file=$1; shift
  convert "$@" -alpha off -colorspace sRGB -type TrueColor -sampling-factor 1x1 \
    -interlace none -quality 92 -strip "$img/$file"
}

# Five-pointed star polygon: star CX CY OUTER INNER
star() {
  awk -v cx="$1" -v cy="$2" -v ro="$3" -v ri="$4" 'BEGIN {
    pi = atan2(0, -1); s = "polygon";
    for (i = 0; i < 10; i++) { r = (i % 2) ? ri : ro; a = -pi / 2 + i * pi / 5;
      s = s sprintf(" %.1f,%.1f", cx + r * cos(a), cy + r * sin(a)) }
    print s }'
}

# A card: pale background with a rounded border, the frame every illustration sits in.
card() { # W H BG BORDER
  printf '%s\n' -size "$1x$2" "xc:$3" -fill none -stroke "$4" -strokewidth 4 \
    -draw "roundrectangle 4,4 $(($1 - 5)),$(($2 - 5)) 18,18" -stroke none
}

eyes() { # LX RX Y R
  printf '%s\n' -fill '#3a2a20' -draw "circle $1,$3 $(($1 + $4)),$3" -draw "circle $2,$3 $(($2 + $4)),$3" \
    -fill white -draw "circle $(($1 + 2)),$(($3 - 2)) $(($1 + 4)),$(($3 - 2))" \
    -draw "circle $(($2 + 2)),$(($3 - 2)) $(($2 + 4)),$(($3 - 2))"
}
blush() { # LX RX Y
  printf '%s\n' -fill '#ffb3b3' -draw "ellipse $1,$3 9,5 0,360" -draw "ellipse $2,$3 9,5 0,360"
}
smile() { # CX Y W
  printf '%s\n' -fill none -stroke '#3a2a20' -strokewidth 3 -draw "arc $(($1 - $3)),$(($2 - $3)) $(($1 + $3)),$(($2 + $3)) 20,160" -stroke none
}

# Wallpapers: 64 x 64 tiles that repeat without seams.
save_bmp wall_dots.bmp -size 64x64 xc:'#fff4dc' -fill '#ffe2bd' \
  -draw 'circle 16,16 22,16' -draw 'circle 48,48 54,48' -fill '#ffd9e2' \
  -draw 'circle 48,16 51,16' -draw 'circle 16,48 19,48'
paw() { # CX CY: a paw print
  printf '%s\n' -draw "ellipse $1,$(($2 + 4)) 8,6 0,360" -draw "circle $(($1 - 8)),$(($2 - 5)) $(($1 - 5)),$(($2 - 5))" \
    -draw "circle $(($1 - 3)),$(($2 - 9)) $1,$(($2 - 9))" -draw "circle $(($1 + 3)),$(($2 - 9)) $(($1 + 6)),$(($2 - 9))" \
    -draw "circle $(($1 + 8)),$(($2 - 5)) $(($1 + 11)),$(($2 - 5))"
}
save_jpg wall_paws.jpg -size 64x64 xc:'#eef7e2' -fill '#d9ecc6' $(paw 18 20) $(paw 47 50)
stripes=()
for c in -64 -48 -32 -16 0 16 32 48 64 80 96 112 128; do
  stripes+=(-draw "line $c,-4 $((c - 72)),68")
done
save_bmp wall_stripe.bmp -size 64x64 xc:'#f8f0e5' -stroke '#efdfca' -strokewidth 6 "${stripes[@]}" \
  -stroke none -fill '#e6cfae' -draw 'ellipse 40,24 3,2 0,360'

# Set picture: the mascot.
save_bmp mascot.bmp $(card 200 150 '#fffaf0' '#f4b860') \
  -stroke '#e0a030' -strokewidth 3 -draw 'line 100,46 100,26' -stroke none \
  -fill '#ffcf40' -draw "$(star 100 22 11 5)" \
  -fill '#ffb84d' -draw 'ellipse 100,82 42,36 0,360' \
  $(eyes 86 114 76 5) $(blush 74 126 90) $(smile 100 82 12) \
  -fill '#e0902a' -draw 'ellipse 58,92 8,12 0,360' -draw 'ellipse 142,92 8,12 0,360' \
  -font DejaVu-Sans-Bold -pointsize 18 -fill '#c0641a' -gravity south -annotate +0+10 'Zelmica'

# Question pictures, 200 x 150.
save_jpg q_forest.jpg -size 200x150 xc:'#cdeeff' \
  -fill '#ffd54a' -draw 'circle 164,34 164,16' \
  -fill '#9bd47a' -draw 'ellipse 60,160 120,60 0,360' -fill '#7cc264' -draw 'ellipse 170,165 100,55 0,360' \
  -fill '#8a5a3a' -draw 'rectangle 46,92 54,122' -draw 'rectangle 116,98 123,126' \
  -fill '#3f9a4a' -draw 'polygon 50,40 24,98 76,98' -draw 'polygon 50,58 20,112 80,112' \
  -fill '#4caf50' -draw 'circle 120,88 120,62' \
  -fill white -draw 'ellipse 70,28 18,8 0,360' -draw 'ellipse 86,24 14,8 0,360'
save_bmp q_sea.bmp -size 200x150 xc:'#bfe8ff' \
  -fill '#ffcf40' -draw 'circle 40,36 40,18' \
  -fill '#4fa3e0' -draw 'rectangle 0,80 200,150' \
  -fill none -stroke '#9fd3f7' -strokewidth 3 \
  -draw 'arc 10,92 40,104 200,340' -draw 'arc 60,100 90,112 200,340' -draw 'arc 120,94 150,106 200,340' \
  -stroke none -fill '#f4dca0' -draw 'ellipse 100,160 130,34 0,360' \
  -fill '#ffffff' -draw 'polygon 140,30 140,74 172,74' -fill '#ff8a65' -draw 'polygon 136,32 136,74 112,74' \
  -fill '#8a5a3a' -draw 'polygon 112,78 176,78 166,88 122,88'
save_jpg q_palette.jpg -size 200x150 xc:'#fdf3ff' \
  -fill '#e8c89a' -draw 'ellipse 100,78 78,56 0,360' -fill '#fdf3ff' -draw 'circle 132,102 132,90' \
  -fill '#ff7043' -draw 'circle 62,58 62,46' -fill '#ffd54a' -draw 'circle 96,42 96,30' \
  -fill '#f48fb1' -draw 'circle 132,54 132,43' -fill '#81c784' -draw 'circle 58,96 58,85' \
  -fill '#3f51b5' -draw 'circle 92,108 92,97' \
  -stroke '#8a5a3a' -strokewidth 6 -draw 'line 150,20 112,70' -stroke none -fill '#ff7043' -draw 'circle 112,70 112,64'
save_bmp q_cup.bmp -size 200x150 xc:'#fff4e6' \
  -fill '#d7b48a' -draw 'rectangle 0,118 200,150' \
  -fill none -stroke '#c9a27a' -strokewidth 4 -draw 'arc 82,16 100,40 90,270' -draw 'arc 104,10 122,34 270,90' -stroke none \
  -fill '#ffffff' -draw 'ellipse 100,120 62,10 0,360' \
  -fill none -stroke '#ff8a65' -strokewidth 8 -draw 'circle 138,78 138,62' -stroke none \
  -fill '#ff8a65' -draw 'roundrectangle 62,50 138,116 14,14' -fill '#6d4c41' -draw 'ellipse 100,54 36,7 0,360' \
  -fill '#ffffff' -draw 'circle 100,84 100,76'
save_jpg q_clock.jpg -size 200x150 xc:'#eaf6ff' \
  -fill '#ff8a80' -draw 'circle 62,30 62,16' -draw 'circle 138,30 138,16' \
  -fill '#ff5252' -draw 'circle 100,78 100,22' -fill '#ffffff' -draw 'circle 100,78 100,30' \
  -fill '#3a2a20' -draw 'circle 100,36 100,33' -draw 'circle 142,78 145,78' -draw 'circle 100,120 100,117' -draw 'circle 58,78 55,78' \
  -stroke '#3a2a20' -strokewidth 5 -draw 'line 100,78 100,48' -strokewidth 4 -draw 'line 100,78 124,90' -stroke none \
  -fill '#ffd54a' -draw 'circle 100,78 100,72'

# Results, 240 x 180: animals.
save_bmp r_dragon.bmp $(card 240 180 '#f3fff0' '#7cc264') \
  -fill '#ffcf40' -draw "$(star 40 40 14 6)" -draw "$(star 204 48 10 4)" -draw "$(star 196 146 8 3)" \
  -fill '#ffe082' -draw 'polygon 86,62 78,22 102,52' -draw 'polygon 154,62 162,22 138,52' \
  -fill '#66bb6a' -draw 'polygon 120,30 110,48 130,48' -draw 'ellipse 120,96 52,46 0,360' \
  -fill '#a5d6a7' -draw 'ellipse 120,124 30,20 0,360' \
  -fill '#2e7d32' -draw 'circle 110,122 110,119' -draw 'circle 130,122 130,119' \
  $(eyes 102 138 86 7) $(blush 86 154 106) \
  -fill '#ff8a65' -draw 'polygon 114,142 120,154 126,142'
save_bmp r_lion.bmp $(card 240 180 '#fff8e6' '#ffb74d') \
  -fill '#f57c00' -draw 'circle 120,92 120,30' \
  -fill '#ffcc80' -draw 'circle 120,94 120,50' \
  -fill '#ffb74d' -draw 'circle 90,60 90,50' -draw 'circle 150,60 150,50' \
  $(eyes 104 136 86 6) $(blush 92 148 104) \
  -fill '#6d4c41' -draw 'polygon 112,100 128,100 120,110' \
  -fill none -stroke '#6d4c41' -strokewidth 3 -draw 'arc 106,104 120,120 20,160' -draw 'arc 120,104 134,120 20,160' -stroke none
save_bmp r_dolphin.bmp $(card 240 180 '#eef8ff' '#64b5f6') \
  -fill '#4fa3e0' -draw 'rectangle 8,132 232,172' \
  -fill none -stroke '#bfe3fb' -strokewidth 3 -draw 'arc 20,136 60,150 200,340' -draw 'arc 150,138 190,152 200,340' -stroke none \
  -fill '#42a5f5' -draw 'ellipse 116,92 64,32 -18,198' -draw 'polygon 100,62 124,40 128,66' \
  -draw 'polygon 172,82 204,62 196,96' -draw 'polygon 98,112 84,132 116,118' \
  -fill '#bbdefb' -draw 'ellipse 110,104 44,12 0,180' \
  -fill '#42a5f5' -draw 'ellipse 60,96 16,8 0,360' \
  $(eyes 78 78 84 5) \
  -fill '#ffffff' -draw 'circle 38,58 38,52' -draw 'circle 48,40 48,36' -draw 'circle 58,26 58,23'
save_bmp r_cat.bmp $(card 240 180 '#f7f4ff' '#b39ddb') \
  -fill '#9e9e9e' -draw 'polygon 70,62 78,18 112,48' -draw 'polygon 170,62 162,18 128,48' \
  -fill '#ffb3c1' -draw 'polygon 80,54 84,32 102,48' -draw 'polygon 160,54 156,32 138,48' \
  -fill '#9e9e9e' -draw 'ellipse 120,96 58,50 0,360' \
  -fill '#eeeeee' -draw 'ellipse 120,116 30,22 0,360' \
  $(eyes 100 140 88 7) \
  -fill '#ff8a80' -draw 'polygon 114,106 126,106 120,114' \
  -stroke '#5d5d5d' -strokewidth 2 -draw 'line 60,108 94,112' -draw 'line 60,122 94,118' \
  -draw 'line 180,108 146,112' -draw 'line 180,122 146,118' -stroke none
save_bmp r_rabbit.bmp $(card 240 180 '#fff4f7' '#f48fb1') \
  -fill '#ffffff' -stroke '#e0c0c8' -strokewidth 2 \
  -draw 'ellipse 98,44 14,38 -10,350' -draw 'ellipse 142,44 14,38 -10,350' \
  -draw 'ellipse 120,110 54,44 0,360' -stroke none \
  -fill '#ffc1d3' -draw 'ellipse 98,46 6,28 0,360' -draw 'ellipse 142,46 6,28 0,360' \
  $(eyes 102 138 104 6) $(blush 88 152 120) \
  -fill '#ff8a80' -draw 'circle 120,118 120,114' $(smile 120 118 8)
save_bmp r_sloth.bmp $(card 240 180 '#f6f1ea' '#a1887f') \
  -stroke '#6d8b3a' -strokewidth 8 -draw 'line 10,30 230,22' -stroke none \
  -fill '#81c784' -draw 'ellipse 60,34 14,7 30,360' -draw 'ellipse 190,30 14,7 150,360' \
  -fill '#a1887f' -draw 'ellipse 84,44 10,22 0,360' -draw 'ellipse 156,42 10,22 0,360' \
  -draw 'ellipse 120,104 56,50 0,360' \
  -fill '#efe3d3' -draw 'ellipse 120,110 40,34 0,360' \
  -fill '#6d4c41' -draw 'ellipse 100,102 12,8 -20,360' -draw 'ellipse 140,102 12,8 20,360' \
  -fill none -stroke '#fff8ee' -strokewidth 3 -draw 'arc 94,98 106,108 20,160' -draw 'arc 134,98 146,108 20,160' -stroke none \
  -fill '#4e342e' -draw 'ellipse 120,118 6,4 0,360' $(smile 120 122 8) \
  -fill '#9fa8da' -font DejaVu-Sans-Bold -pointsize 16 -annotate +176+84 'z' -pointsize 22 -annotate +190+70 'Z'

# Results: seasons.
save_jpg r_rainbow.jpg -size 240x180 xc:'#e8f6ff' -fill none -strokewidth 12 \
  -stroke '#ff6f61' -draw 'arc 30,40 210,220 180,360' -stroke '#ffb74d' -draw 'arc 42,52 198,208 180,360' \
  -stroke '#ffe082' -draw 'arc 54,64 186,196 180,360' -stroke '#9ccc65' -draw 'arc 66,76 174,184 180,360' \
  -stroke '#64b5f6' -draw 'arc 78,88 162,172 180,360' -stroke '#9575cd' -draw 'arc 90,100 150,160 180,360' \
  -stroke none -fill white -draw 'ellipse 40,132 28,16 0,360' -draw 'ellipse 62,124 20,16 0,360' \
  -draw 'ellipse 200,132 28,16 0,360' -draw 'ellipse 178,124 20,16 0,360'
rays=()
for a in 0 45 90 135 180 225 270 315; do
  rays+=(-draw "$(awk -v a="$a" 'BEGIN { pi = atan2(0, -1); r = a * pi / 180;
    printf "line %.0f,%.0f %.0f,%.0f", 120 + 44 * cos(r), 74 + 44 * sin(r), 120 + 62 * cos(r), 74 + 62 * sin(r) }')")
done
save_jpg r_summer.jpg -size 240x180 xc:'#bfe8ff' -fill '#4fa3e0' -draw 'rectangle 0,140 240,180' \
  -stroke '#ffb300' -strokewidth 6 "${rays[@]}" -stroke none \
  -fill '#ffd54a' -draw 'circle 120,74 120,36' $(eyes 106 134 68 5) $(blush 98 142 84) $(smile 120 76 12)
petals() { # CX CY R: a five-petal blossom
  awk -v cx="$1" -v cy="$2" -v r="$3" 'BEGIN { pi = atan2(0, -1);
    for (i = 0; i < 5; i++) { a = -pi / 2 + i * 2 * pi / 5;
      printf "-draw\ncircle %.0f,%.0f %.0f,%.0f\n", cx + r * cos(a), cy + r * sin(a), cx + r * cos(a) + r * 0.8, cy + r * sin(a) } }'
}
mapfile -t b1 < <(petals 80 86 22)
mapfile -t b2 < <(petals 170 70 16)
mapfile -t b3 < <(petals 160 136 12)
save_jpg r_spring.jpg -size 240x180 xc:'#fff0f5' -fill '#f8bbd0' "${b1[@]}" "${b2[@]}" "${b3[@]}" \
  -fill '#fff59d' -draw 'circle 80,86 80,76' -draw 'circle 170,70 170,63' -draw 'circle 160,136 160,131' \
  -fill '#a5d6a7' -draw 'ellipse 40,150 12,6 30,360' -draw 'ellipse 210,30 12,6 150,360'
leaf() { # CX CY ANGLE COLOUR
  printf '%s\n' -fill "$4" -draw "translate $1,$2 rotate $3 ellipse 0,0 26,12 0,360" \
    -stroke '#8d5524' -strokewidth 2 -draw "translate $1,$2 rotate $3 line -26,0 26,0" -stroke none
}
save_jpg r_autumn.jpg -size 240x180 xc:'#fff6e8' \
  $(leaf 70 60 -30 '#e64a19') $(leaf 160 54 20 '#ffa000') $(leaf 112 112 -60 '#fbc02d') \
  $(leaf 190 124 40 '#d84315') $(leaf 54 130 10 '#ff7043') $(leaf 200 28 -10 '#fbc02d') \
  -fill '#a1887f' -draw 'ellipse 122,150 12,14 0,360' -fill '#6d4c41' -draw 'ellipse 122,140 15,8 180,360'
flakes=()
for p in 30,30 60,140 200,40 214,120 180,150 40,90 150,24; do
  flakes+=(-draw "circle $p ${p%,*},$((${p#*,} + 4))")
done
save_jpg r_winter.jpg -size 240x180 xc:'#dceefb' -fill '#ffffff' -draw 'rectangle 0,150 240,180' "${flakes[@]}" \
  -draw 'circle 120,118 120,80' -draw 'circle 120,66 120,40' \
  $(eyes 110 130 62 4) -fill '#ff8a65' -draw 'polygon 120,68 120,74 136,71' \
  -fill '#e53935' -draw 'roundrectangle 94,84 146,94 4,4' -draw 'rectangle 130,90 140,112' \
  -fill '#3a2a20' -draw 'circle 120,108 120,104' -draw 'circle 120,124 120,120' \
  -fill '#5c6bc0' -draw 'rectangle 102,22 138,40' -draw 'rectangle 94,38 146,44'

# Results: drinks.
cup() { # COLOUR DRINK: a mug on a saucer
  printf '%s\n' -fill '#ffffff' -stroke '#d7ccc8' -strokewidth 2 -draw 'ellipse 120,150 70,12 0,360' -stroke none \
    -fill none -stroke "$1" -strokewidth 9 -draw 'circle 164,102 164,84' -stroke none \
    -fill "$1" -draw 'roundrectangle 74,66 166,146 18,18' -fill "$2" -draw 'ellipse 120,70 44,9 0,360'
}
save_jpg r_blend.jpg $(card 240 180 '#fffbea' '#ffca28') $(cup '#ffb300' '#6d4c41') \
  -fill '#ffe082' -draw "$(star 120 106 22 10)" -fill '#ffca28' \
  -draw "$(star 44 50 14 6)" -draw "$(star 198 42 10 4)" -draw "$(star 56 130 8 3)" -draw "$(star 204 132 9 4)"
save_bmp r_espresso.bmp $(card 240 180 '#f8f1ea' '#8d6e63') \
  -fill '#ffffff' -stroke '#d7ccc8' -strokewidth 2 -draw 'ellipse 120,146 56,10 0,360' -stroke none \
  -fill none -stroke '#5d4037' -strokewidth 7 -draw 'circle 152,114 152,102' -stroke none \
  -fill '#5d4037' -draw 'roundrectangle 92,94 152,142 12,12' -fill '#3e2723' -draw 'ellipse 122,96 28,6 0,360' \
  -fill none -stroke '#bcaaa4' -strokewidth 4 -draw 'arc 104,40 122,70 90,270' -draw 'arc 122,34 140,64 270,90' -stroke none \
  -fill '#ffcf40' -draw "$(star 186 54 12 5)"
save_bmp r_latte.bmp $(card 240 180 '#fdf6ee' '#d7a86e') $(cup '#90caf9' '#c8a27a') \
  -fill '#fff3e0' -draw 'circle 113,68 113,64' -draw 'circle 127,68 127,64' -draw 'polygon 109,69 131,69 120,76' \
  -fill '#ffffff' -draw 'circle 120,110 120,98'
save_bmp r_herb.bmp $(card 240 180 '#f2fbef' '#81c784') $(cup '#ffffff' '#c5e1a5') \
  -fill none -stroke '#c8e6c9' -strokewidth 2 -draw 'roundrectangle 74,66 166,146 18,18' -stroke none \
  $(leaf 120 108 -30 '#66bb6a') $(leaf 60 50 20 '#81c784') $(leaf 186 44 -20 '#a5d6a7')
save_jpg r_water.jpg $(card 240 180 '#f0f9ff' '#81d4fa') \
  -fill '#e1f5fe' -stroke '#81d4fa' -strokewidth 3 -draw 'polygon 84,36 156,36 146,152 94,152' -stroke none \
  -fill '#b3e5fc' -draw 'polygon 88,70 152,70 146,150 94,150' \
  -fill '#ffffff' -draw 'roundrectangle 100,82 120,102 4,4' -draw 'roundrectangle 122,96 140,114 4,4' \
  -fill '#81d4fa' -draw 'circle 186,60 186,54' -draw 'circle 56,112 56,108' -draw 'circle 196,130 196,126'

# --- sounds and music ---------------------------------------------------------------------
python3 "$root/tools/make_audio.py" "$out/snd" "$out/bgm"
echo "make_sample: sample written to $out"

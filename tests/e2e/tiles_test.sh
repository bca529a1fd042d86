#!/bin/bash
# Tiling in the main window: a sample from the 样图 menu scaled to the tile size, then a picture opened
# through the real dialog that becomes the page and the new tile size for "高度", "宽度" and the samples.
# Usage: tiles_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: tiles_test.sh PROGRAM}
SAMPLES=$HERE/../../resources/pictures/samples

e2e_init
RED="200 0 0"
BLUE="0 0 200"
YELLOW="230 230 0"
MAGENTA="200 0 200"
# A 100 x 50 picture in four quarters, so every tile's place and orientation shows.
QUAD=$E2E_RUN/pictures/quad.bmp
mkdir -p "$(dirname "$QUAD")"
convert -size 50x25 "xc:rgb(${RED// /,})" "xc:rgb(${BLUE// /,})" +append \
    \( -size 50x25 "xc:rgb(${YELLOW// /,})" "xc:rgb(${MAGENTA// /,})" +append \) -append \
    -type TrueColor "BMP3:$QUAD" || e2e_fail "could not make the test picture"

# patch_mean FILE X Y SIZE : the mean colour of a square patch.
patch_mean()
{
    convert "$1" -crop "$4x$4+$2+$3" +repage -scale '1x1!' \
        -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]' info:
}

# expect_sample_tiles K TILE_W TILE_H "COL ROW"... : the named tiles on the screen show sample K scaled
# to the tile size (compared patch by patch, the scaling filter may differ a little).
expect_sample_tiles()
{
    local k=$1 tw=$2 th=$3 file scaled shot=$E2E_RUN/sample-check.png t col row px py got want deadline
    shift 3
    file=$(ls "$SAMPLES"/sample$(printf '%02d' "$k").* | head -n1)
    scaled=$E2E_RUN/scaled-$k.png
    convert "$file" -resize "${tw}x${th}!" "$scaled"
    deadline=$((SECONDS + 10))
    while :; do
        e2e_park
        e2e_shot "$shot"
        CHECK_MSG=""
        for t in "$@"; do
            read -r col row <<<"$t"
            for p in "0.2 0.2" "0.6 0.3" "0.3 0.7" "0.7 0.7"; do
                read -r fx fy <<<"$p"
                px=$(awk -v a="$fx" -v b="$tw" 'BEGIN { printf "%d", a * b }')
                py=$(awk -v a="$fy" -v b="$th" 'BEGIN { printf "%d", a * b }')
                got=$(patch_mean "$shot" $((ORIGIN_X + col * tw + px)) $((ORIGIN_Y + row * th + py)) 8)
                want=$(patch_mean "$scaled" "$px" "$py" 8)
                e2e_close_colour "$got" "$want" 16 ||
                    CHECK_MSG="tile ($col,$row) patch ($px,$py): ($got), sample $k scaled: ($want)"
                [ -z "$CHECK_MSG" ] || break 2
            done
        done
        [ -z "$CHECK_MSG" ] && return 0
        [ $SECONDS -lt $deadline ] || e2e_fail "$CHECK_MSG"
        sleep 0.3
    done
}

# choose_sample K : 样图 > 样图K.
choose_sample()
{
    local keys=() i
    for ((i = 0; i < $1; i++)); do keys+=(Down); done
    e2e_click $((GEO_X + 59)) $((GEO_Y + 8))
    e2e_key "${keys[@]}" Return
}

form30_start

# 样图1 at start: copies of sample 1 scaled to the pattern's 382 x 383.
choose_sample 1
expect_sample_tiles 1 382 383 "0 0" "1 0" "2 1" "3 1"
e2e_log "样图1 tiles at 382 x 383"

# Open the 100 x 50 picture: the page becomes that picture alone.
e2e_click "$(button_x 510 495)" "$BUTTON_Y"
e2e_file_dialog "打开" "$QUAD"
e2e_park
e2e_wait_pixel $((ORIGIN_X + 10)) $((ORIGIN_Y + 10)) "$RED" 0 10
e2e_wait_pixel $((ORIGIN_X + 60)) $((ORIGIN_Y + 10)) "$BLUE"
e2e_wait_pixel $((ORIGIN_X + 10)) $((ORIGIN_Y + 30)) "$YELLOW"
e2e_wait_pixel $((ORIGIN_X + 99)) $((ORIGIN_Y + 49)) "$MAGENTA"
e2e_wait_pixel $((ORIGIN_X + 100)) $((ORIGIN_Y + 10)) "212 208 200"
e2e_wait_pixel $((ORIGIN_X + 105)) $((ORIGIN_Y + 10)) "$WINDOW_GREEN"
e2e_wait_pixel $((ORIGIN_X + 10)) $((ORIGIN_Y + 55)) "$WINDOW_GREEN"
e2e_log "the opened picture is the page"

# "高度" applies 33000 twips to the 100-pixel-wide page and tiles it with 100 x 50 tiles.
e2e_click "$(button_x 4020 495)" "$BUTTON_Y"
e2e_park
for row in 0 1 2 7 15; do
    y=$((ORIGIN_Y + row * 50))
    e2e_wait_pixel $((ORIGIN_X + 10)) $((y + 10)) "$RED"
    e2e_wait_pixel $((ORIGIN_X + 90)) $((y + 40)) "$MAGENTA"
done
e2e_wait_pixel $((ORIGIN_X + 10)) $((ORIGIN_Y + 50 * 17 + 24)) "$RED"
e2e_wait_pixel $((ORIGIN_X + 10)) $((ORIGIN_Y + 50 * 17 + 25)) "$YELLOW"
e2e_wait_pixel $((ORIGIN_X + 105)) $((ORIGIN_Y + 500)) "$WINDOW_GREEN"
e2e_log "高度 tiles a 100-pixel column"

# "宽度" widens it to 43000 twips, still in 100 x 50 tiles.
e2e_click "$(button_x 5610 495)" "$BUTTON_Y"
e2e_park
for t in "1 0" "5 3" "14 9" "15 17"; do
    read -r col row <<<"$t"
    e2e_wait_pixel $((ORIGIN_X + col * 100 + 49)) $((ORIGIN_Y + row * 50 + 24)) "$RED"
    e2e_wait_pixel $((ORIGIN_X + col * 100 + 50)) $((ORIGIN_Y + row * 50 + 24)) "$BLUE"
    e2e_wait_pixel $((ORIGIN_X + col * 100 + 49)) $((ORIGIN_Y + row * 50 + 25)) "$YELLOW"
    e2e_wait_pixel $((ORIGIN_X + col * 100 + 50)) $((ORIGIN_Y + row * 50 + 25)) "$MAGENTA"
done
e2e_log "宽度 tiles the wide page"

# 样图12 now scales its picture to the opened picture's 100 x 50.
choose_sample 12
expect_sample_tiles 12 100 50 "0 0" "3 2" "9 12"
e2e_log "样图12 tiles at 100 x 50"
e2e_app_running || e2e_fail "the program ended"
echo "PASS"

#!/bin/bash
# Text stamping in the main window with the real mouse: a double-click writes "双击设置文字" in light
# green with its top-left corner at the release point; a single click writes nothing; the saved bitmap
# holds the stamp.
# Usage: stamp_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: stamp_test.sh PROGRAM}

e2e_init
form30_start

INK='#80FF80' # RGB(128, 255, 128), the page's drawing colour

# ink_box IMAGE X Y W H : "count minx miny maxx maxy" of the ink pixels in a rectangle of IMAGE.
ink_box()
{
    convert "$1" -crop "$4x$5+$2+$3" +repage txt:- |
        awk -v ink="$INK" -v ox="$2" -v oy="$3" '
            index($0, ink) { split($1, p, "[,:]"); x = p[1] + ox; y = p[2] + oy; n++
                if (n == 1 || x < a) a = x; if (n == 1 || y < b) b = y; if (x > c) c = x; if (y > d) d = y }
            END { printf "%d %d %d %d %d\n", n, a, b, c, d }'
}

X=600
Y=400
read -r n _ <<<"$(ink_box "$SHOT" $((X - 60)) $((Y - 60)) 400 140)"
[ "$n" = 0 ] || e2e_fail "the pattern already holds the ink colour near ($X,$Y)"

# A single click stamps nothing.
e2e_click $X $Y
e2e_park
sleep 0.5
e2e_shot "$SHOT"
read -r n _ <<<"$(ink_box "$SHOT" $((X - 60)) $((Y - 60)) 400 140)"
[ "$n" = 0 ] || e2e_fail "a single click stamped $n pixels"

# A double-click stamps at the release point, text running to the right and down from it.
e2e_dclick $X $Y
e2e_park
deadline=$((SECONDS + 10))
while :; do
    e2e_shot "$SHOT"
    read -r n minx miny maxx maxy <<<"$(ink_box "$SHOT" $((X - 60)) $((Y - 60)) 400 140)"
    [ "$n" -gt 50 ] && break
    [ $SECONDS -lt $deadline ] || e2e_fail "no text stamped at ($X,$Y)"
    sleep 0.2
done
e2e_log "stamp of $n pixels in ($minx,$miny)-($maxx,$maxy)"
[ "$minx" -ge $((X - 1)) ] && [ "$miny" -ge $((Y - 1)) ] || e2e_fail "ink left of or above the release point"
[ "$minx" -le $((X + 6)) ] && [ "$miny" -le $((Y + 10)) ] || e2e_fail "ink starts far from the release point"
# Six 14.25-point characters (19 pixels high) in one row.
[ $((maxx - minx)) -ge 90 ] && [ $((maxy - miny)) -le 24 ] || e2e_fail "the stamp is not one row of six characters"

# The saved page holds the stamp at the same place of the page.
OUT=$E2E_RUN/out
mkdir -p "$OUT"
SAVED=$OUT/stamped.bmp
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$SAVED"
e2e_wait_file "$SAVED" 20 || e2e_fail "no file written at $SAVED"
convert "$SAVED" "$OUT/stamped.png"
read -r m bminx bminy _ <<<"$(ink_box "$OUT/stamped.png" $((X - ORIGIN_X - 60)) $((Y - ORIGIN_Y - 60)) 400 140)"
[ "$m" = "$n" ] || e2e_fail "the saved page holds $m ink pixels, the screen $n"
e2e_assert_eq "$bminx $bminy" "$((minx - ORIGIN_X)) $((miny - ORIGIN_Y))" "stamp's place in the saved page"
e2e_app_running || e2e_fail "the program ended"
echo "PASS"

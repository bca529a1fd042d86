#!/bin/bash
# The main window driven as a user drives it: its start-up state, the tiled page, dragging the page,
# saving it through the real file dialog with the overwrite question, and "新建".
# Usage: main_window_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"

PROGRAM=${1:?usage: main_window_test.sh PROGRAM}
PATTERN=$HERE/../../resources/pictures/pattern.bmp
TITLE="澄岭拼贴通4.6版"
STRIP="215 21 123"
WINDOW_GREEN="0 64 0"
TILE_W=382
TILE_H=383

e2e_init
e2e_require od cmp
[ -f "$PATTERN" ] || e2e_fail "pattern picture missing: $PATTERN"

# The expected colour at page pixel (px, py): the pattern repeated from the page's top-left corner.
pattern_points()
{
    local p px py
    for p in "$@"; do
        read -r px py <<<"$p"
        printf '%d %d\n' $(((px % TILE_W + TILE_W) % TILE_W)) $(((py % TILE_H + TILE_H) % TILE_H))
    done
}

# check_tiled SHOT ORIGIN_X ORIGIN_Y "X Y"... : the screen points show the pattern tiled from ORIGIN.
# Returns non-zero with the first difference in CHECK_MSG.
check_tiled()
{
    local shot=$1 ox=$2 oy=$3 p x y
    shift 3
    local page=() pat=()
    for p in "$@"; do
        read -r x y <<<"$p"
        page+=("$((x - ox)) $((y - oy))")
    done
    mapfile -t pat < <(pattern_points "${page[@]}")
    local want got i=0
    mapfile -t want < <(e2e_pixels "$PATTERN" "${pat[@]}")
    mapfile -t got < <(e2e_pixels "$shot" "$@")
    if [ ${#got[@]} -ne $# ]; then
        CHECK_MSG="could not read the screen pixels"
        return 1
    fi
    for p in "$@"; do
        if ! e2e_close_colour "${got[i]}" "${want[i]}" 0; then
            CHECK_MSG="screen ($p), page (${page[i]}): (${got[i]}) is not pattern pixel (${pat[i]}) = (${want[i]})"
            return 1
        fi
        i=$((i + 1))
    done
}

# expect_tiled SHOT ORIGIN_X ORIGIN_Y "X Y"... : as check_tiled, taking new screenshots into SHOT for a
# while, since the program may still be repainting.
expect_tiled()
{
    local shot=$1 deadline=$((SECONDS + 10))
    until check_tiled "$@"; do
        [ $SECONDS -lt $deadline ] || e2e_fail "$CHECK_MSG"
        sleep 0.2
        e2e_shot "$shot"
    done
}

le() { od -An -t "u$2" -j "$3" -N "$2" "$1" | tr -d ' '; }

# check_bmp FILE : a 24-bit bottom-up BMP of the start page, holding the tiled pattern.
check_bmp()
{
    local f=$1 stride=$(((2863 * 3 + 3) / 4 * 4))
    e2e_assert_eq "$(head -c 2 "$f")" "BM" "BMP signature"
    e2e_assert_eq "$(stat -c %s "$f")" $((54 + stride * 2196)) "file length"
    e2e_assert_eq "$(le "$f" 4 2)" $((54 + stride * 2196)) "bfSize"
    e2e_assert_eq "$(le "$f" 4 10)" 54 "bfOffBits"
    e2e_assert_eq "$(le "$f" 4 14)" 40 "biSize"
    e2e_assert_eq "$(le "$f" 4 18)" 2863 "biWidth"
    e2e_assert_eq "$(le "$f" 4 22)" 2196 "biHeight (bottom-up)"
    e2e_assert_eq "$(le "$f" 2 26)" 1 "biPlanes"
    e2e_assert_eq "$(le "$f" 2 28)" 24 "biBitCount"
    e2e_assert_eq "$(le "$f" 4 30)" 0 "biCompression"
    local pts=("0 0" "381 0" "382 0" "0 382" "0 383" "383 384" "1000 500" "2862 0" "0 2195" "2862 2195"
        "2673 1914" "2674 1915" "1527 1148" "1528 1149" "765 2000")
    local pat want got i=0 p
    mapfile -t pat < <(pattern_points "${pts[@]}")
    mapfile -t want < <(e2e_pixels "$PATTERN" "${pat[@]}")
    mapfile -t got < <(e2e_pixels "$f" "${pts[@]}")
    for p in "${pts[@]}"; do
        e2e_close_colour "${got[i]}" "${want[i]}" 0 ||
            e2e_fail "saved bitmap pixel ($p) is (${got[i]}), expected pattern (${pat[i]}) = (${want[i]})"
        i=$((i + 1))
    done
    # The last pixel of a row is followed by padding, not by the next row.
    local pad
    pad=$(od -An -tx1 -j $((54 + 2863 * 3)) -N $((stride - 2863 * 3)) "$f" | tr -d ' ')
    e2e_assert_eq "$pad" "000000" "row padding"
}

e2e_start_display
e2e_start_program "$PROGRAM"
WID=$(e2e_wait_window "$TITLE" 60)
e2e_wait_maximized "$WID"
e2e_geometry "$WID"
e2e_log "client area ${GEO_W}x${GEO_H} at ($GEO_X,$GEO_Y)"
[ "$GEO_W" -ge 1500 ] && [ "$GEO_H" -ge 900 ] || e2e_fail "maximized window is only ${GEO_W}x${GEO_H}"
[ "$(e2e_find_window "$TITLE" | wc -l)" -eq 1 ] || e2e_fail "more than one main window"

# The toolbar strip lies under the menu bar; its right end is free of controls.
e2e_park
sleep 0.5
SHOT=$E2E_RUN/start.png
PROBE_X=$((GEO_X + GEO_W - 20))
deadline=$((SECONDS + 20))
until e2e_shot "$SHOT" && STRIP_Y=$(e2e_first_row_with "$SHOT" "$PROBE_X" "$GEO_Y" $((GEO_Y + 80)) "$STRIP"); do
    [ $SECONDS -lt $deadline ] || e2e_fail "no toolbar strip in column $PROBE_X"
    sleep 0.2
done
MENU_H=$((STRIP_Y - GEO_Y))
[ "$MENU_H" -ge 10 ] && [ "$MENU_H" -le 40 ] || e2e_fail "menu bar height $MENU_H is implausible"
# The strip is 315 twips high; the page stands at 330 twips with a 2-pixel border.
e2e_assert_eq "$(e2e_pixel "$SHOT" "$PROBE_X" $((STRIP_Y + 20)))" "$STRIP" "strip's last row"
e2e_assert_eq "$(e2e_pixel "$SHOT" "$PROBE_X" $((STRIP_Y + 21)))" "$WINDOW_GREEN" "window background below the strip"
ORIGIN_X=$((GEO_X + 2))
ORIGIN_Y=$((STRIP_Y + 22 + 2))
e2e_log "menu bar $MENU_H px; page inside its border at ($ORIGIN_X,$ORIGIN_Y)"
# The pixels just outside the origin are the border, not the pattern.
b=$(e2e_pixel "$SHOT" $((ORIGIN_X - 1)) "$ORIGIN_Y")
e2e_close_colour "$b" "$(e2e_pixel "$PATTERN" $((TILE_W - 1)) 0)" 0 && e2e_fail "no border left of the page"

# Tiles from the corner, across tile boundaries, on both sides of the seams.
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" \
    "$ORIGIN_X $ORIGIN_Y" "$((ORIGIN_X + 1)) $ORIGIN_Y" "$ORIGIN_X $((ORIGIN_Y + 1))" \
    "$((ORIGIN_X + 381)) $((ORIGIN_Y + 10))" "$((ORIGIN_X + 382)) $((ORIGIN_Y + 10))" \
    "$((ORIGIN_X + 50)) $((ORIGIN_Y + 382))" "$((ORIGIN_X + 50)) $((ORIGIN_Y + 383))" \
    "$((ORIGIN_X + 764)) $((ORIGIN_Y + 766))" "$((ORIGIN_X + 763)) $((ORIGIN_Y + 765))" \
    "700 500" "1234 321" "1500 900" "$((GEO_X + GEO_W - 1)) $((GEO_Y + GEO_H - 1))" "200 $((ORIGIN_Y + 800))"
e2e_log "start page is tiled"

# Drag the page up and to the left with the real mouse: it follows the pointer.
DX=-150
DY=-100
e2e_drag 800 500 $((800 + DX)) $((500 + DY)) 10
e2e_park
sleep 0.3
SHOT=$E2E_RUN/dragged.png
e2e_shot "$SHOT"
e2e_app_running || e2e_fail "the program ended during the drag"
expect_tiled "$SHOT" $((ORIGIN_X + DX)) $((ORIGIN_Y + DY)) \
    "5 $((STRIP_Y + 25))" "$((ORIGIN_X + DX + 382)) 300" "$((ORIGIN_X + DX + 381)) 300" \
    "100 $((ORIGIN_Y + DY + 383))" "100 $((ORIGIN_Y + DY + 382))" "900 700" "1590 990" "333 444"
# Had it not moved, the old place would show the pattern's corner.
[ "$(e2e_pixel "$SHOT" "$ORIGIN_X" "$ORIGIN_Y")" = "$(e2e_pixel "$PATTERN" 0 0)" ] &&
    [ "$(e2e_pixel "$SHOT" $((ORIGIN_X + 382)) "$ORIGIN_Y")" = "$(e2e_pixel "$PATTERN" 0 0)" ] &&
    e2e_fail "the page did not move"
e2e_log "drag moved the page by ($DX,$DY)"

# A click without moving leaves it where it is.
e2e_click 900 600
e2e_park
sleep 0.3
e2e_shot "$SHOT"
expect_tiled "$SHOT" $((ORIGIN_X + DX)) $((ORIGIN_Y + DY)) "900 600" "1200 800" "10 $((STRIP_Y + 30))"

# Toolbar buttons at their twip places: left and width / 15, centred, inside the strip.
button_x() { printf '%d\n' $((GEO_X + ($1 + $2 / 2) / 15)); }
BUTTON_Y=$((STRIP_Y + 10))

OUT=$E2E_RUN/out
mkdir -p "$OUT"
SAVED=$OUT/page.bmp

# "保存" to a new name: written at once, no question.
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$SAVED"
e2e_wait_file "$SAVED" 20 || e2e_fail "no file written at $SAVED"
[ -z "$(e2e_find_window "询问")" ] || e2e_fail "a question was asked for a new file"
check_bmp "$SAVED"
cp "$SAVED" "$OUT/first.bmp"
e2e_log "saved $SAVED"

# Same name again, answered No: the existing file stays as it is.
printf 'not a bitmap\n' >"$SAVED"
cp "$SAVED" "$OUT/marker"
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$SAVED"
Q=$(e2e_wait_window "询问" 15)
e2e_activate "$Q" || true
e2e_key n
e2e_wait_window_gone "询问" 10
sleep 1
cmp -s "$SAVED" "$OUT/marker" || e2e_fail "answering No changed the existing file"
e2e_log "No kept the file"

# Once more, answered Yes: the file is replaced by the page.
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$SAVED"
Q=$(e2e_wait_window "询问" 15)
e2e_activate "$Q" || true
e2e_key y
e2e_wait_window_gone "询问" 10
e2e_wait_file "$SAVED" 20
deadline=$((SECONDS + 20))
until cmp -s "$SAVED" "$OUT/first.bmp"; do
    [ $SECONDS -lt $deadline ] || e2e_fail "answering Yes did not replace the file with the page"
    sleep 0.2
done
ls "$OUT" | grep -v -e '^page.bmp$' -e '^first.bmp$' -e '^marker$' && e2e_fail "stray files left beside the saved one"
e2e_log "Yes replaced the file"

# "新建": the page goes back to the left edge, 510 twips below the strip's top, 16000 x 11000 twips.
e2e_click "$(button_x 0 525)" "$BUTTON_Y"
e2e_park
sleep 0.5
SHOT=$E2E_RUN/new.png
e2e_shot "$SHOT"
NEW_X=$((GEO_X + 2))
NEW_Y=$((STRIP_Y + 34 + 2))
expect_tiled "$SHOT" "$NEW_X" "$NEW_Y" "$NEW_X $NEW_Y" "$((NEW_X + 382)) $((NEW_Y + 383))" \
    "$((NEW_X + 1055)) $((NEW_Y + 700))" "$((NEW_X + 600)) $((NEW_Y + 720))"
# Outside the smaller page the window's own green shows.
for p in "$((GEO_X + 1080)) 300" "700 $((NEW_Y + 740))" "1500 900" "10 $((STRIP_Y + 25))"; do
    read -r x y <<<"$p"
    e2e_wait_pixel "$x" "$y" "$WINDOW_GREEN" 0 10
done
e2e_app_running || e2e_fail "the program ended"
e2e_log "新建 put the page back"
echo "PASS"

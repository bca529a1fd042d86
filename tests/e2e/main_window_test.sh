#!/bin/bash
# The main window driven as a user drives it: its start-up state, the tiled page, dragging the page,
# saving it through the real file dialog with the overwrite question, and "新建".
# Usage: main_window_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: main_window_test.sh PROGRAM}

e2e_init
e2e_require od cmp
[ -f "$PATTERN" ] || e2e_fail "pattern picture missing: $PATTERN"

form30_start
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

e2e_log "a click left the page in place"

OUT=$E2E_RUN/out
mkdir -p "$OUT"
SAVED=$OUT/page.bmp

# "保存" to a new name: written at once, no question.
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$SAVED"
e2e_wait_file "$SAVED" 20 || e2e_fail "no file written at $SAVED"
[ -z "$(e2e_find_window "询问")" ] || e2e_fail "a question was asked for a new file"
check_tiled_bmp "$SAVED" 2863 2196
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

# Nor does a double-click (its second press is no drag). It may stamp text around the pointer, so it
# comes after the saves, and the check looks away from the pointer.
e2e_dclick 1200 800
e2e_park
sleep 0.3
e2e_shot "$SHOT"
expect_tiled "$SHOT" $((ORIGIN_X + DX)) $((ORIGIN_Y + DY)) "300 200" "700 300" "10 $((STRIP_Y + 30))" "100 900"
e2e_log "a double-click left the page in place"

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

#!/bin/bash
# The page size typed into the main window's text boxes: a refusal for text that is not a size, a smaller
# page re-tiled from its corner after "高度" and "宽度", and the saved bitmap at the new inner size.
# Usage: page_size_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: page_size_test.sh PROGRAM}

e2e_init
e2e_require od
form30_start

TEXT1_X=$(button_x 2910 1125)
TEXT2_X=$(button_x 4500 1125)
HEIGHT_X=$(button_x 4020 495)
WIDTH_X=$(button_x 5610 495)

# set_field X TEXT : replace a text box's contents by typing.
set_field()
{
    e2e_click "$1" "$BUTTON_Y"
    e2e_key ctrl+a BackSpace
    e2e_type "$2"
}

# Not a number: the program explains and the page stays as it was.
set_field "$TEXT1_X" "abc"
e2e_click "$HEIGHT_X" "$BUTTON_Y"
M=$(e2e_wait_window "澄岭提示" 15)
e2e_activate "$M" || true
e2e_key Return
e2e_wait_window_gone "澄岭提示" 10
e2e_app_running || e2e_fail "the program ended after a bad height"
e2e_park
SHOT=$E2E_RUN/after-bad.png
e2e_shot "$SHOT"
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "$ORIGIN_X $ORIGIN_Y" "1500 900" "$((ORIGIN_X + 382)) 400"

# Zero width is refused the same way.
set_field "$TEXT2_X" "0"
e2e_click "$WIDTH_X" "$BUTTON_Y"
M=$(e2e_wait_window "澄岭提示" 15)
e2e_activate "$M" || true
e2e_key Return
e2e_wait_window_gone "澄岭提示" 10
e2e_park
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "1500 900" "$((ORIGIN_X + 1200)) 500"
e2e_log "bad sizes refused"

# 12000 x 15000 twips: 800 x 1000 pixels outside, 796 x 996 inside the 2-pixel border.
set_field "$TEXT1_X" "12000"
e2e_click "$HEIGHT_X" "$BUTTON_Y"
set_field "$TEXT2_X" "15000"
e2e_click "$WIDTH_X" "$BUTTON_Y"
e2e_park
SHOT=$E2E_RUN/small.png
e2e_shot "$SHOT"
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "$ORIGIN_X $ORIGIN_Y" \
    "$((ORIGIN_X + 995)) $((ORIGIN_Y + 795))" "$((ORIGIN_X + 764)) $((ORIGIN_Y + 766))" \
    "$((ORIGIN_X + 763)) $((ORIGIN_Y + 765))" "$((ORIGIN_X + 995)) $((ORIGIN_Y + 10))"
# Right and below the last page pixel: the sunken border's two light lines, then the window's green.
for d in "0 212 208 200" "1 255 255 255" "2 $WINDOW_GREEN"; do
    read -r off rgb <<<"$d"
    e2e_wait_pixel $((ORIGIN_X + 996 + off)) $((ORIGIN_Y + 100)) "$rgb" 0 10
    e2e_wait_pixel $((ORIGIN_X + 100)) $((ORIGIN_Y + 796 + off)) "$rgb" 0 10
done
e2e_log "page is 996 x 796 inside"

OUT=$E2E_RUN/out
mkdir -p "$OUT"
e2e_click "$(button_x 990 495)" "$BUTTON_Y"
e2e_file_dialog "另存为" "$OUT/small"
e2e_wait_file "$OUT/small" 20 || e2e_fail "nothing saved under the name typed without extension"
[ "$(ls "$OUT")" = "small" ] || e2e_fail "expected exactly the file 'small', found: $(ls "$OUT")"
check_tiled_bmp "$OUT/small" 996 796
e2e_log "saved 996 x 796"
echo "PASS"

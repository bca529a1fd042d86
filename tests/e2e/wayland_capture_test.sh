#!/bin/bash
# The crop-capture tool on a Wayland desktop: headless sway with PipeWire and the screenshot portal on a
# private bus, the program on Qt's wayland platform. Arms the tool from the main window, checks that the
# frozen picture shown is the screen as grim sees it, ignores a right press and a key, drags a rectangle
# up and to the left over the tiled page, and checks the clipboard (read with wl-paste) and the saved BMP
# pixel for pixel against grim's picture. Skips (77) where the packages are missing.
# Usage: wayland_capture_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"
. "$HERE/wayland.sh"

PROGRAM=${1:?usage: wayland_capture_test.sh PROGRAM}
TOOL_TITLE="澄岭剪裁抓图"
OVERLAY_TITLE="剪裁抓图选择"

e2e_init
wl_start_desktop
e2e_start_program "$PROGRAM"
# The main window: the first window tiles, so its content fills the screen.
wl_wait_window "$TITLE" 60
GEO_X=$WX GEO_Y=$WY GEO_W=$WW GEO_H=$WH
e2e_assert_eq "$GEO_X $GEO_Y $GEO_W $GEO_H" "0 0 $WL_SCREEN_W $WL_SCREEN_H" "main window's place"
SHOT=$E2E_RUN/start.png
find_strip() { wl_shot "$SHOT" && STRIP_Y=$(e2e_first_row_with "$SHOT" $((GEO_W - 20)) 0 80 "$STRIP"); }
wl_until 20 "no toolbar strip" find_strip
BUTTON_Y=$((STRIP_Y + 10))
ORIGIN_X=$((GEO_X + 2)) ORIGIN_Y=$((STRIP_Y + 24))
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "100 200" "383 300" "700 650" "1200 900"

# "剪裁" opens the tool, owned by the main window: it floats, centred at its own size.
wl_click "$(button_x 2430 495)" "$BUTTON_Y"
wl_wait_window "$TOOL_TITLE" 20
e2e_log "tool at $WX,$WY ${WW}x${WH}"
[ "$WX" -gt 400 ] || e2e_fail "the tool covers the rectangle to be cut ($WX,$WY)"
MENU_X=$((WX + 15)) MENU_Y=$((WY + 8))
wl_park
sleep 0.3
BEFORE=$E2E_RUN/before.png
wl_shot "$BEFORE"

# Arm: the tool hides, the portal takes the picture, the overlay shows it over the whole screen.
wl_click $MENU_X $MENU_Y
wl_key Down Return
e2e_wait_window_gone "$TOOL_TITLE" 20
wl_wait_window "$OVERLAY_TITLE" 20
e2e_assert_eq "$WX $WY $WW $WH" "0 0 $WL_SCREEN_W $WL_SCREEN_H" "overlay's place"
sleep 0.3
FROZEN=$E2E_RUN/frozen.png
wl_shot "$FROZEN"
# Where the tool stood the page is shown again; elsewhere the frozen picture is the screen before.
convert "$FROZEN" -crop 1600x300+0+0 +repage "$E2E_RUN/frozen-top.png"
convert "$BEFORE" -crop 1600x300+0+0 +repage "$E2E_RUN/before-top.png"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/before-top.png" "$E2E_RUN/frozen-top.png")" 0 \
    "pixels of the frozen picture differing from the screen"
expect_tiled "$FROZEN" "$ORIGIN_X" "$ORIGIN_Y" "800 500" "700 400" "1000 650"

# A right press does nothing: the capture stays armed, the tool hidden.
wl_click 700 450 right
[ -z "$(wl_window "$TOOL_TITLE")" ] || e2e_fail "a right press ended the capture"

# Left drag from 380,420 up and to the left to 60,220: 320 x 200.
wl_pointer move 380 420
wl_pointer down
for p in "370 410" "300 350" "500 500" "200 300" "80 240" "60 220"; do
    wl_pointer move $p
    sleep 0.03
done
wl_key Escape # no key ends a selection
label_drawn()
{
    wl_shot "$E2E_RUN/drag.png"
    convert "$BEFORE" -crop 60x16+190+312 +repage "$E2E_RUN/centre-before.png"
    convert "$E2E_RUN/drag.png" -crop 60x16+190+312 +repage "$E2E_RUN/centre-drag.png"
    [ "$(e2e_diff_pixels "$E2E_RUN/centre-before.png" "$E2E_RUN/centre-drag.png")" -gt 100 ]
}
e2e_wait_for 10 label_drawn || e2e_fail "no size label at the rectangle's centre"
[ -n "$(wl_window "$OVERLAY_TITLE")" ] || e2e_fail "Escape ended the selection"
wl_pointer up
wl_park

wl_wait_window "$TOOL_TITLE" 20
e2e_wait_window_gone "$OVERLAY_TITLE" 10
MENU_X=$((WX + 15)) MENU_Y=$((WY + 8))
CLIP=$E2E_RUN/clip.png
wl-paste --list-types | grep -qx 'image/png' || e2e_fail "no image on the clipboard"
wl-paste -t image/png >"$CLIP" || e2e_fail "clipboard unreadable"
e2e_assert_eq "$(identify -format '%wx%h' "$CLIP")" 320x200 "clipboard image size"
convert "$BEFORE" -crop 320x200+60+220 +repage "$E2E_RUN/expected.png"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/expected.png" "$CLIP")" 0 "clipboard pixels differing from the screen"
# The tool shows the capture at natural size in its picture box (2-pixel border).
wl_shot "$E2E_RUN/shown.png"
MB=$((WH - 324)) # the menu bar's height
convert "$E2E_RUN/shown.png" -crop 320x200+$((WX + 2))+$((WY + MB + 2)) +repage "$E2E_RUN/shown-crop.png"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/expected.png" "$E2E_RUN/shown-crop.png")" 0 \
    "pixels shown in the tool differing from the capture"

# Save through the real dialog.
OUT=$E2E_RUN/cut.bmp
wl_click $MENU_X $MENU_Y
wl_key Down Down Return
wl_file_dialog "保存" "$OUT"
e2e_wait_file "$OUT" 10 || e2e_fail "nothing saved"
e2e_assert_eq "$(stat -c %s "$OUT")" $((54 + 960 * 200)) "BMP size"
e2e_assert_eq "$(head -c 2 "$OUT")" BM "BMP signature"
e2e_assert_eq "$(od -An -tu2 -j28 -N2 "$OUT" | tr -d ' ')" 24 "bits per pixel"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/expected.png" "$OUT")" 0 "saved pixels differing from the screen"

# "退出" hides the tool; the main window stays.
wl_click $MENU_X $MENU_Y
wl_key Down Down Down Return
e2e_wait_window_gone "$TOOL_TITLE" 20
[ -n "$(wl_window "$TITLE")" ] || e2e_fail "the main window is gone"
e2e_app_running || e2e_fail "the program ended"
echo PASS

#!/bin/bash
# The zoom viewer with real input: open it from the main window, take a picture through the real file
# dialog, enlarge, reduce, and check the screen pixel by pixel; closing it brings the main window back.
# Usage: zoom_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: zoom_test.sh PROGRAM}
VIEW_TITLE="澄岭图像缩放剪裁"

e2e_init
# A 40 x 30 picture of four colour blocks.
PIC=$E2E_RUN/blocks.bmp
convert -size 20x15 xc:'#ff0000' -size 20x15 xc:'#0000ff' +append \
    \( -size 20x15 xc:'#00ff00' -size 20x15 xc:'#202020' +append \) -append -type TrueColor BMP3:"$PIC" ||
    e2e_fail "cannot make the test picture"

form30_start
MAIN=$WID
# "缩放" is at 1950..2445 twips of the strip.
e2e_click "$(button_x 1950 495)" "$BUTTON_Y"
VIEW=$(e2e_wait_window "$VIEW_TITLE" 20)
e2e_wait_maximized "$VIEW"
sleep 0.3 # let the window manager's last configure arrive
e2e_geometry "$VIEW"
# Buttons: 1005 twips (67 px) wide, edge to edge, ending 200 twips before the right edge.
view_button_x() { echo $((GEO_X + (GEO_W * 15 - $1 * 1005 - 200) / 15 + 33)); }
BY=$((GEO_Y + 9))
BG="192 255 255"
IX=$((GEO_X + 2)) IY=$((GEO_Y + 2)) # Image1 at 30, 30 twips
e2e_wait_pixel $((IX + 100)) $((IY + 100)) "$BG" 0 5

# check SHOT X Y "R G B" WHAT : one pixel of Image1 (X, Y inside it) in a screenshot.
check() { e2e_assert_eq "$(e2e_pixel "$E2E_RUN/$1" $((IX + $2)) $((IY + $3)))" "$4" "$5: pixel ($2,$3)"; }

# 取图
e2e_click "$(view_button_x 4)" $BY
e2e_file_dialog "打开" "$PIC" 20
e2e_wait_pixel $((IX + 39)) $((IY + 29)) "32 32 32" 0 10
e2e_shot "$E2E_RUN/natural.png"
check natural.png 0 0 "255 0 0" "natural"
check natural.png 19 14 "255 0 0" "natural"
check natural.png 20 14 "0 0 255" "natural"
check natural.png 19 15 "0 255 0" "natural"
check natural.png 40 10 "$BG" "natural"
check natural.png 10 30 "$BG" "natural"

# 放大: 50 x 37.5 -> 38 pixels.
e2e_click "$(view_button_x 3)" $BY
e2e_wait_pixel $((IX + 49)) $((IY + 37)) "32 32 32" 0 10
e2e_park
e2e_shot "$E2E_RUN/enlarged.png"
check enlarged.png 24 18 "255 0 0" "enlarged"
check enlarged.png 25 18 "0 0 255" "enlarged"
check enlarged.png 24 19 "0 255 0" "enlarged"
check enlarged.png 50 20 "$BG" "enlarged"
check enlarged.png 20 38 "$BG" "enlarged"

# 缩小: 37.5 x 28.125 -> 38 x 28 pixels, not the natural size again.
e2e_click "$(view_button_x 2)" $BY
e2e_wait_pixel $((IX + 40)) $((IY + 10)) "$BG" 0 10
e2e_park
e2e_shot "$E2E_RUN/reduced.png"
check reduced.png 37 27 "32 32 32" "reduced"
check reduced.png 38 10 "$BG" "reduced"
check reduced.png 10 28 "$BG" "reduced"
check reduced.png 18 13 "255 0 0" "reduced"
check reduced.png 19 14 "32 32 32" "reduced"

# Closing shows the main window, even when it was minimized.
xdotool windowminimize "$MAIN"
e2e_wait_window_gone "$TITLE" 20
# The close box: openbox closes the active window on Alt+F4.
e2e_activate "$VIEW" || true
e2e_key alt+F4
e2e_wait_window_gone "$VIEW_TITLE" 20
e2e_wait_window "$TITLE" 20 >/dev/null
e2e_app_running || e2e_fail "the program ended"
echo PASS

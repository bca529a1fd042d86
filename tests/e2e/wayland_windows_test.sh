#!/bin/bash
# Every window on a Wayland desktop (headless sway, the program on Qt's wayland platform): a short
# journey through each as a user takes it, with its real dialogs, and each save checked on disk.
# sway places the windows itself: the first tiles over the screen, an owned window floats centred at its
# own size, an unowned one tiles beside the others; positions the program sets are ignored.
# Skips (77) where the packages are missing.
# Usage: wayland_windows_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"
. "$HERE/wayland.sh"

PROGRAM=${1:?usage: wayland_windows_test.sh PROGRAM}
TOOL_TITLE="澄岭剪裁抓图"
VIEW_TITLE="澄岭图像缩放剪裁"
BOARD_TITLE="澄岭棋盘式图片排版器"
MAP_TITLE="澄岭地图式图片排版器"
FREE_TITLE="澄岭自定义图像排版器"

e2e_init
APP=$E2E_RUN/app OUT=$E2E_RUN/out
mkdir -p "$APP" "$OUT"
export PTT_APPDIR=$APP
BACK="20 40 200"
convert -size 1000x600 "xc:rgb(20,40,200)" -type TrueColor "BMP3:$APP/back.bmp"
convert -size 20x15 xc:'#ff0000' -size 20x15 xc:'#0000ff' +append \
    \( -size 20x15 xc:'#00ff00' -size 20x15 xc:'#202020' +append \) -append -type TrueColor "BMP3:$APP/blocks.bmp"

wl_start_desktop
e2e_start_program "$PROGRAM"

# main_window : the main window's content (GEO_*), the toolbar strip and its buttons' row.
main_window()
{
    wl_wait_window "$TITLE" 30
    GEO_X=$WX GEO_Y=$WY GEO_W=$WW GEO_H=$WH
    find_strip() { wl_shot "$SHOT" && STRIP_Y=$(e2e_first_row_with "$SHOT" $((GEO_X + 1000)) 0 80 "$STRIP"); }
    wl_until 20 "no toolbar strip in the main window" find_strip
    BUTTON_Y=$((STRIP_Y + 10))
}
window_gone_check() { wl_close "$1" && e2e_wait_window_gone "$1" 15; }

SHOT=$E2E_RUN/shot.png
main_window
e2e_assert_eq "$GEO_X $GEO_Y $GEO_W $GEO_H" "0 0 $WL_SCREEN_W $WL_SCREEN_H" "main window (tiled over the screen)"
expect_tiled "$SHOT" 2 $((STRIP_Y + 24)) "100 200" "700 650"

# Main window: "保存" writes the page.
wl_click "$(button_x 990 495)" "$BUTTON_Y"
wl_file_dialog "另存为" "$OUT/page.bmp"
e2e_wait_file "$OUT/page.bmp" 20 || e2e_fail "the main window saved nothing"
check_tiled_bmp "$OUT/page.bmp" 2863 2196
e2e_log "main window saved its page"

# Zoom viewer (owned: floats over the main window): a picture through the open dialog, shown and
# enlarged; its "剪裁保存" brings the crop-capture tool.
wl_click "$(button_x 1950 495)" "$BUTTON_Y"
wl_wait_window "$VIEW_TITLE" 20
sleep 0.3
wl_wait_window "$VIEW_TITLE" 5
e2e_log "zoom viewer at $WX,$WY ${WW}x${WH}"
VX=$WX VY=$WY VW=$WW
view_button_x() { echo $((VX + (VW * 15 - $1 * 1005 - 200) / 15 + 33)); }
wl_click "$(view_button_x 4)" $((VY + 9))
wl_file_dialog "打开" "$APP/blocks.bmp"
wl_park
wl_wait_pixel $((VX + 2 + 39)) $((VY + 2 + 29)) "32 32 32"
wl_click "$(view_button_x 3)" $((VY + 9))
wl_park
wl_wait_pixel $((VX + 2 + 49)) $((VY + 2 + 37)) "32 32 32"
wl_click "$(view_button_x 1)" $((VY + 9))
wl_wait_window "$TOOL_TITLE" 20
window_gone_check "$TOOL_TITLE"
window_gone_check "$VIEW_TITLE"
e2e_log "zoom viewer works"

# Chessboard-style window (not owned: tiles beside the main window): a background, and "整版保存".
main_window
wl_click "$(button_x 8370 1155)" "$BUTTON_Y"
wl_wait_window "$BOARD_TITLE" 30
e2e_log "chessboard window at $WX,$WY ${WW}x${WH}"
BX=$WX
MENU_H=$((STRIP_Y - GEO_Y)) # menu bars are alike
ROW=$((WY + MENU_H))
wl_click $((BX + (0 + 1095 / 2) / 15)) $((ROW + 10)) # 打开背景图
wl_file_dialog "打开" "$APP/back.bmp"
wl_park
wl_wait_window "$BOARD_TITLE" 10
ROW=$((WY + MENU_H))
wl_wait_pixel $((BX + 300)) $((ROW + 26 + 200)) "$BACK"
wl_click $((BX + (7560 + 855 / 2) / 15)) $((ROW + 10)) # 整版保存
wl_file_dialog "另存为" "$OUT/board.bmp"
e2e_wait_file "$OUT/board.bmp" 15 || e2e_fail "the chessboard window saved nothing"
e2e_assert_eq "$(convert "$OUT/board.bmp" -format '%w %h %k' info:)" "1000 600 1" "the saved board"
e2e_assert_eq "$(e2e_pixel "$OUT/board.bmp" 500 300)" "$BACK" "the saved board's colour"
window_gone_check "$BOARD_TITLE"
e2e_log "chessboard window works"

# Map-style window: "整版保存" writes the grid.
main_window
wl_click "$(button_x 7230 1155)" "$BUTTON_Y"
wl_wait_window "$MAP_TITLE" 30
e2e_log "map window at $WX,$WY ${WW}x${WH}"
MX=$WX MY=$WY
sleep 0.5
wl_click $((MX + 532 + 37)) $((MY + 2 + 10)) # 整版保存, in the strip at 0, 2
wl_file_dialog "另存为" "$OUT/grid.bmp"
e2e_wait_file "$OUT/grid.bmp" 15 || e2e_fail "the map window saved nothing"
read -r GW GH GD <<<"$(identify -format '%w %h %z' "$OUT/grid.bmp")"
[ "${GW:-0}" -ge 100 ] && [ "${GH:-0}" -ge 100 ] && [ "$GD" = 8 ] || e2e_fail "the saved grid is ${GW}x${GH}, depth $GD"
window_gone_check "$MAP_TITLE"
e2e_log "map window works"

# Free layout window: "A6" sizes the page, its "保存" brings the crop-capture tool.
main_window
wl_click "$(button_x 6090 1155)" "$BUTTON_Y"
wl_wait_window "$FREE_TITLE" 30
e2e_log "free layout window at $WX,$WY ${WW}x${WH}"
FX=$WX
ROW=$((WY + MENU_H))
sleep 0.5
wl_shot "$E2E_RUN/free-before.png"
wl_click $((FX + (3600 + 615 / 2) / 15)) $((ROW + 10)) # A6
wl_park
page_resized()
{
    wl_shot "$E2E_RUN/free-a6.png"
    [ "$(e2e_diff_pixels "$E2E_RUN/free-before.png" "$E2E_RUN/free-a6.png")" -gt 1000 ]
}
e2e_wait_for 10 page_resized || e2e_fail "A6 changed nothing"
wl_click $((FX + (4170 + 645 / 2) / 15)) $((ROW + 10)) # 保存
wl_wait_window "$TOOL_TITLE" 20
window_gone_check "$TOOL_TITLE"
window_gone_check "$FREE_TITLE"
e2e_log "free layout window works"

e2e_app_running || e2e_fail "the program ended"
echo PASS

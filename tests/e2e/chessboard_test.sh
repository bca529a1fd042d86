#!/bin/bash
# The chessboard-style window with the real mouse and the real dialogs: a background, a new document,
# an inserted foreground dragged into place, the position file saved and compared byte for byte,
# reopened, and "整版保存" writing the board without its foregrounds.
# Usage: chessboard_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: chessboard_test.sh PROGRAM}

e2e_init
e2e_require cmp od

# The program's folder, where relative names in position files point.
APP=$E2E_RUN/app
OUT=$E2E_RUN/out
mkdir -p "$APP" "$OUT"
export PTT_APPDIR=$APP
BACK="20 40 200"
FORE="250 200 0"
convert -size 1000x600 "xc:rgb(20,40,200)" -type TrueColor "BMP3:$APP/back.bmp"
convert -size 80x60 "xc:rgb(250,200,0)" -type TrueColor "BMP3:$APP/flower.bmp"

form30_start
e2e_click "$(button_x 8370 1155)" "$BUTTON_Y"
BOARD_TITLE="澄岭棋盘式图片排版器"
CW=$(e2e_wait_window "$BOARD_TITLE" 30)
e2e_geometry "$CW"

# board_button LEFT WIDTH : click a toolbar button of the board window (twips).
board_button() { e2e_click $((GEO_X + ($1 + $2 / 2) / 15)) $((STRIP_TOP + 10)); }
# The strip lies right under the menu bar.
e2e_park
sleep 0.5
e2e_shot "$SHOT"
STRIP_TOP=$(e2e_first_row_with "$SHOT" $((GEO_X + 911)) "$GEO_Y" $((GEO_Y + 80)) "$STRIP") ||
    e2e_fail "no toolbar strip in the board window"

board_button 0 1095 # 打开背景图
e2e_file_dialog "打开" "$APP/back.bmp"
# The window fits its client area to the 1000 x 600 board and centres itself.
deadline=$((SECONDS + 15))
while :; do
    e2e_geometry "$CW"
    [ "$GEO_W" = 1000 ] && break
    [ $SECONDS -lt $deadline ] || e2e_fail "the window did not fit the board (client ${GEO_W} wide)"
    sleep 0.2
done
e2e_park
sleep 0.5
e2e_shot "$SHOT"
STRIP_TOP=$(e2e_first_row_with "$SHOT" $((GEO_X + 911)) "$GEO_Y" $((GEO_Y + 80)) "$STRIP") ||
    e2e_fail "no toolbar strip after loading the background"
BX=$GEO_X
BY=$((STRIP_TOP + 26)) # the board stands 390 twips below the strip's top
e2e_assert_eq "$(e2e_pixel "$SHOT" $((BX + 500)) $((BY + 300)))" "$BACK" "background on the board"

board_button 1080 855 # 新建图案
e2e_file_dialog "打开" "$APP/flower.bmp"
board_button 3600 1035 # 插入前景图
e2e_park
e2e_wait_pixel $((BX + 40)) $((BY + 30)) "$FORE" 0 10

# Drag the inserted foreground (on top, at the corner) by (160, 60) pixels with the left button.
e2e_drag $((BX + 10)) $((BY + 10)) $((BX + 170)) $((BY + 70)) 10
e2e_park
e2e_wait_pixel $((BX + 200)) $((BY + 90)) "$FORE" 0 10
# The first foreground is still at the corner.
e2e_shot "$SHOT"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((BX + 40)) $((BY + 30)))" "$FORE" "first foreground at the corner"

board_button 2760 855 # 保存图案
e2e_file_dialog "另存为" "$APP/wall.pos"
e2e_wait_file "$APP/wall.pos" 15 || e2e_fail "no position file written"
printf '"flower.bmp",0,0,1200,900\r\n"flower.bmp",2400,900,1200,900\r\n' >"$OUT/expected.pos"
cmp "$APP/wall.pos" "$OUT/expected.pos" || {
    od -c "$APP/wall.pos" >&2
    e2e_fail "the position file differs from the expected lines"
}
e2e_log "position file as expected"

# Open a copy whose second foreground lies elsewhere: saved, so no question; the board is cleared and
# the foregrounds stand where the file puts them.
sed 's/2400,900/4800,1800/' "$APP/wall.pos" >"$APP/moved.pos"
board_button 1920 855 # 打开图案
e2e_file_dialog "打开" "$APP/moved.pos"
[ -z "$(e2e_find_window "档案输出入")" ] || e2e_fail "a question was asked for a saved document"
e2e_park
e2e_wait_pixel $((BX + 360)) $((BY + 150)) "$FORE" 0 10
e2e_shot "$SHOT"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((BX + 40)) $((BY + 30)))" "$FORE" "first foreground after opening"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((BX + 200)) $((BY + 90)))" "$BACK" "old place of the second foreground"

# 整版保存: the background alone, no foregrounds and no frame.
board_button 7560 855
e2e_file_dialog "另存为" "$OUT/board.bmp"
e2e_wait_file "$OUT/board.bmp" 15 || e2e_fail "no board bitmap written"
e2e_assert_eq "$(convert "$OUT/board.bmp" -format '%w %h %k' info:)" "1000 600 1" "the saved board"
e2e_assert_eq "$(e2e_pixel "$OUT/board.bmp" 200 90)" "$BACK" "saved board under a foreground"
e2e_app_running || e2e_fail "the program ended"
echo "PASS"

#!/bin/bash
# The map-style window as a user drives it, on a 1280 x 1024 screen: opened from the main window, it fits
# the screen; a grid sized, small pictures loaded and chosen, real double-clicks on cells, the blank
# picture reached by dragging the grid aside, 存成地图 through the real input box and the file compared
# byte for byte, closed and reopened afresh, then 载入地图 bringing the cells back on the screen.
# Usage: map_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"

PROGRAM=${1:?usage: map_test.sh PROGRAM}
MAIN_TITLE="澄岭拼贴通4.6版"
MAP_TITLE="澄岭地图式图片排版器"
STRIP="215 21 123"
GRID_BACK="255 100 255"
LINE="162 200 89"
RED="220 40 40"
BLUE="30 30 220"

e2e_init
e2e_require cmp od
E2E_SCREEN=1280x1024x24
APP=$PTT_APPDIR
convert -size 105x105 "xc:rgb($(tr ' ' , <<<"$RED"))" -type TrueColor "BMP3:$E2E_RUN/red.bmp"
# Taller than a cell: it spills into the cell below.
convert -size 60x200 "xc:rgb($(tr ' ' , <<<"$BLUE"))" -type TrueColor "BMP3:$E2E_RUN/blue.bmp"

e2e_start_display
e2e_start_program "$PROGRAM"
MAIN=$(e2e_wait_window "$MAIN_TITLE" 60)
e2e_wait_maximized "$MAIN"
e2e_geometry "$MAIN"
MX=$GEO_X
e2e_park
sleep 0.5
SHOT=$E2E_RUN/shot.png
deadline=$((SECONDS + 20))
until e2e_shot "$SHOT" && STRIP_Y=$(e2e_first_row_with "$SHOT" $((GEO_X + GEO_W - 20)) "$GEO_Y" $((GEO_Y + 80)) "$STRIP"); do
    [ $SECONDS -lt $deadline ] || e2e_fail "no toolbar strip in the main window"
    sleep 0.2
done

# open_map : "地图式排版" (7230 twips, 1155 wide) in the main window; sets MAPW, GEO_* and the grid's
# first inner pixel GX, GY (the grid stands at (0, 26) with a 2-pixel border).
open_map()
{
    e2e_activate "$MAIN" || true
    e2e_click $((MX + (7230 + 1155 / 2) / 15)) $((STRIP_Y + 10))
    MAPW=$(e2e_wait_window "$MAP_TITLE" 30)
    local deadline=$((SECONDS + 10)) extents
    until extents=$(xprop -id "$MAPW" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.* = //p' | tr -d ,) &&
        [ -n "$extents" ]; do
        [ $SECONDS -lt $deadline ] || e2e_fail "the map window has no frame"
        sleep 0.1
    done
    e2e_geometry "$MAPW"
    read -r FL FR FT FB <<<"$extents"
    e2e_log "map window client ${GEO_W}x${GEO_H} at ($GEO_X,$GEO_Y), frame $FL $FR $FT $FB"
    # The whole window, title bar included, is on the screen.
    [ $((GEO_X - FL)) -ge 0 ] && [ $((GEO_Y - FT)) -ge 0 ] && [ $((GEO_X + GEO_W + FR)) -le 1280 ] &&
        [ $((GEO_Y + GEO_H + FB)) -le 1024 ] || e2e_fail "the map window is not whole on the screen"
    # Wide enough for the palette's rightmost picture (slot 5, 1106 + 141).
    [ "$GEO_W" -ge 1247 ] || e2e_fail "the map window is only $GEO_W wide"
    GX=$((GEO_X + 2))
    GY=$((GEO_Y + 28))
}
# client X Y : a point of the map window's client area on the screen.
cx() { echo $((GEO_X + $1)); }
cy() { echo $((GEO_Y + $1)); }
# cell ROW COL : the middle of a cell of the grid (105 x 105) on the screen, as "X Y".
cell() { echo "$((GX + $2 * 105 + 52)) $((GY + $1 * 105 + 52))"; }
place() { e2e_dclick $(cell "$1" "$2"); }
# size_grid COLS ROWS : typed into Text1 and Text2, then 确定大小.
size_grid()
{
    e2e_click "$(cx 242)" "$(cy 14)"
    e2e_key ctrl+a
    e2e_type "$1"
    e2e_click "$(cx 288)" "$(cy 14)"
    e2e_key ctrl+a
    e2e_type "$2"
    e2e_click "$(cx 349)" "$(cy 14)"
}
# Red into slot 4 (调入小图4 at 834, 40), blue into slot 5 (调入小图5 at 1106, 40); these lie beside the
# grid, which hides the palette's left part.
load_pictures()
{
    e2e_click "$(cx 872)" "$(cy 52)"
    e2e_file_dialog "打开" "$E2E_RUN/red.bmp"
    e2e_click "$(cx 1142)" "$(cy 52)"
    e2e_file_dialog "打开" "$E2E_RUN/blue.bmp"
}

open_map
e2e_park
sleep 0.3
e2e_shot "$E2E_RUN/opened.png"
e2e_assert_eq "$(e2e_pixel "$E2E_RUN/opened.png" $((GX + 300)) $((GY + 300)))" "$GRID_BACK" "an empty cell"

size_grid 5 4
e2e_park
e2e_wait_pixel $((GX + 524)) $((GY + 300)) "$GRID_BACK" 0 10
e2e_shot "$SHOT"
[ "$(e2e_pixel "$SHOT" $((GX + 527)) $((GY + 300)))" != "$GRID_BACK" ] || e2e_fail "the grid is wider than 5 cells"

load_pictures
e2e_park
e2e_wait_pixel "$(cx 1126)" "$(cy 200)" "$BLUE" 0 10

e2e_click "$(cx 860)" "$(cy 100)" # small picture 4
place 1 2
e2e_click "$(cx 1120)" "$(cy 100)" # small picture 5
place 3 4
place 0 3
e2e_park
e2e_wait_pixel $(cell 1 2) "$RED" 0 10
e2e_shot "$SHOT"
read -r X Y <<<"$(cell 1 3)"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((X - 30)) $((Y + 20)))" "$BLUE" "the tall picture spilling below its cell"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((X + 30)) $((Y + 20)))" "$GRID_BACK" "beside the spill"

# The blank picture (176, 42) lies under the grid: drag the grid aside, choose it, empty cell 0.
e2e_drag $((GX + 300)) $((GY + 60)) $((GX + 600)) $((GY + 60)) 10
e2e_park
GX=$((GX + 300))
e2e_wait_pixel $(cell 1 2) "$RED" 0 10
e2e_click "$(cx 192)" "$(cy 58)"
place 0 0
e2e_park
e2e_wait_pixel $(cell 0 0) "$GRID_BACK" 0 10

# 存成地图: the input box, the file in the program's folder.
e2e_click "$(cx 183)" "$(cy 14)"
e2e_wait_window "储存地图档" 15 >/dev/null
e2e_type "e2e.map"
e2e_key Return
e2e_wait_window_gone "储存地图档" 15
e2e_wait_file "$APP/e2e.map" 15 || e2e_fail "no map file written"
# 20 cells: 5 at index 3 and 19, 4 at index 7.
printf '\0\0\0\0\0\0\5\0\0\0\0\0\0\0\4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\5\0' >"$E2E_RUN/expected.map"
cmp "$APP/e2e.map" "$E2E_RUN/expected.map" || {
    od -An -tx1 "$APP/e2e.map" >&2
    e2e_fail "the map file differs from the cells"
}
e2e_log "map file as expected"

# Closing discards everything; the next opening starts afresh.
e2e_activate "$MAPW" || true
e2e_key alt+F4
e2e_wait_window_gone "$MAP_TITLE" 20
open_map
e2e_park
sleep 0.3
e2e_shot "$SHOT"
e2e_assert_eq "$(e2e_pixel "$SHOT" $(cell 1 2))" "$GRID_BACK" "reopened: the red cell is empty"
[ "$(e2e_pixel "$SHOT" $((GX + 630)) $((GY + 300)))" != "$GRID_BACK" ] || e2e_fail "reopened: not 6 x 6"
[ "$(e2e_pixel "$SHOT" $((GX + 629)) $((GY + 300)))" = "$GRID_BACK" ] || e2e_fail "reopened: not 6 x 6"

# The same 5 x 4 grid and pictures, then 载入地图.
size_grid 5 4
load_pictures
e2e_click "$(cx 37)" "$(cy 14)"
e2e_wait_window "载入地图档" 15 >/dev/null
e2e_type "e2e.map"
e2e_key Return
e2e_wait_window_gone "载入地图档" 15
e2e_park
e2e_wait_pixel $(cell 1 2) "$RED" 0 10
e2e_shot "$SHOT"
e2e_assert_eq "$(e2e_pixel "$SHOT" $(cell 0 3))" "$BLUE" "loaded: cell 3"
e2e_assert_eq "$(e2e_pixel "$SHOT" $(cell 3 4))" "$BLUE" "loaded: cell 19"
e2e_assert_eq "$(e2e_pixel "$SHOT" $(cell 0 0))" "$GRID_BACK" "loaded: cell 0 empty"
e2e_assert_eq "$(e2e_pixel "$SHOT" $(cell 2 2))" "$GRID_BACK" "loaded: cell 12 empty"
e2e_assert_eq "$(e2e_pixel "$SHOT" $((GX + 210)) $((GY + 250)))" "$LINE" "loaded: a grid line"
e2e_app_running || e2e_fail "the program ended"
echo PASS

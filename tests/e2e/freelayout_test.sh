#!/bin/bash
# The free layout window as a user drives it, on a 1024 x 768 screen: opened from the main window, its
# regions tiled (checked against the stored picture on the screen), the page sized by A4, A5 and A6, text
# stamped beside a region and (with no effect) over one, and the menu 保存 placing the crop tool whole on
# the screen with its frame's left edge 20 twips right of the page, or as far right as the screen allows.
# Usage: freelayout_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
E2E_SCREEN=1024x768x24
. "$HERE/lib.sh"

PROGRAM=${1:?usage: freelayout_test.sh PROGRAM}
SMALL1=$HERE/../../resources/pictures/freelayout/small01.jpg
STRIP="215 21 123"
WINDOW_GREEN="0 64 0"
PAGE_GREEN="162 200 89"
PINK="255 192 255"
STAMP="173 22 86"
SCREEN_W=1024
SCREEN_H=768

e2e_init
e2e_require convert xprop xwininfo
SHOT=$E2E_RUN/shot.png

# strip_top WID : the first row of the window's toolbar strip, in a column free of controls.
strip_top()
{
    local deadline=$((SECONDS + 20)) row
    e2e_geometry "$1"
    e2e_park
    until e2e_shot "$SHOT" && row=$(e2e_first_row_with "$SHOT" $((GEO_X + GEO_W - 30)) "$GEO_Y" $((GEO_Y + 80)) "$STRIP"); do
        [ $SECONDS -lt $deadline ] || e2e_fail "no toolbar strip in window $1"
        sleep 0.2
    done
    echo "$row"
}

e2e_start_display
e2e_start_program "$PROGRAM"
MAIN=$(e2e_wait_window "澄岭拼贴通4.6版" 60)
e2e_wait_maximized "$MAIN"
MAIN_STRIP=$(strip_top "$MAIN")
e2e_geometry "$MAIN"
e2e_click $((GEO_X + (6090 + 1155 / 2) / 15)) $((MAIN_STRIP + 10)) # 自定义排版

FW=$(e2e_wait_window "澄岭自定义图像排版器" 30)
e2e_wait_maximized "$FW"
STRIP_Y=$(strip_top "$FW")
e2e_geometry "$FW"
FX=$GEO_X
BUTTON_Y=$((STRIP_Y + 10))
MENU_Y=$(((GEO_Y + STRIP_Y) / 2))
PAGE_X=$FX                  # the page's outer left edge
PAGE_Y=$((STRIP_Y + 22))    # 330 twips below the strip's top
R1_X=$((PAGE_X + 6))        # region 1's inner origin: page border + region place + region border
R1_Y=$((PAGE_Y + 6))
R2_Y=$((PAGE_Y + 2 + 310 + 2))
button() { e2e_click $((FX + ($1 + $2 / 2) / 15)) "$BUTTON_Y"; }
e2e_log "free layout window at ($FX,$GEO_Y), strip at $STRIP_Y"

# At load the regions are untiled: region 1 shows its background right of its small picture.
e2e_wait_pixel $((R1_X + 400)) $((R1_Y + 200)) "$PINK" 0 10 || e2e_fail "region 1 is not pink at load"

# 图1排版: region 1 tiled with its 125 x 96 picture from its inner origin, the last tiles cut off.
button 0 855
e2e_park
e2e_wait_pixel $((R1_X + 400)) $((R1_Y + 200)) "$(e2e_pixel "$SMALL1" 25 8)" 6 10
e2e_shot "$SHOT"
pts=() ref=()
for p in "130 5" "200 50" "249 95" "125 96" "300 120" "620 290" "630 200" "500 195"; do
    read -r x y <<<"$p"
    pts+=("$((R1_X + x)) $((R1_Y + y))")
    ref+=("$((x % 125)) $((y % 96))")
done
mapfile -t got < <(e2e_pixels "$SHOT" "${pts[@]}")
mapfile -t want < <(e2e_pixels "$SMALL1" "${ref[@]}")
for i in "${!pts[@]}"; do
    # JPEG decoders may differ by a unit or two.
    e2e_close_colour "${got[i]}" "${want[i]}" 6 ||
        e2e_fail "region 1 at (${pts[i]}) shows (${got[i]}), tile pixel (${ref[i]}) is (${want[i]})"
done
# Region 2 was not tiled.
e2e_assert_eq "$(e2e_pixel "$SHOT" $((R1_X + 400)) $((R2_Y + 100)))" "$PINK" "untiled region 2"

# page_edge_is WIDTH HEIGHT : the page's outer size as the screen shows it (right edge beside region 1's
# right edge, bottom below region 3 where the screen shows it).
page_edge_is()
{
    local w=$1 h=$2 deadline=$((SECONDS + 10)) inside outside
    while :; do
        e2e_shot "$SHOT"
        inside=$(e2e_pixel "$SHOT" $((PAGE_X + w - 4)) $((PAGE_Y + 150)))
        outside=$(e2e_pixel "$SHOT" $((PAGE_X + w + 1)) $((PAGE_Y + 150)))
        if [ "$outside" = "$WINDOW_GREEN" ] && [ "$inside" != "$WINDOW_GREEN" ]; then
            if [ $((PAGE_Y + h + 1)) -ge $SCREEN_H ] ||
                [ "$(e2e_pixel "$SHOT" $((PAGE_X + 100)) $((PAGE_Y + h + 1)))" = "$WINDOW_GREEN" ]; then
                return 0
            fi
        fi
        [ $SECONDS -lt $deadline ] || e2e_fail "the page is not ${w}x${h}: ($inside) inside, ($outside) outside"
        sleep 0.2
    done
}
button 2400 615 # A4: 10545 x 16105 twips
page_edge_is 703 1074
e2e_assert_eq "$(e2e_pixel "$SHOT" $((PAGE_X + 670)) $((PAGE_Y + 100)))" "$PAGE_GREEN" "page beside region 1"
button 3000 615 # A5: 8000 x 13000 twips
page_edge_is 533 867
button 3600 615 # A6: 5800 x 9200 twips; region 1 is cut off at the page's right edge
page_edge_is 387 613
e2e_assert_eq "$(e2e_pixel "$SHOT" $((PAGE_X + 390)) $((R1_Y + 50)))" "$WINDOW_GREEN" "region 1 cut off by A6"

# Stamps: beside region 1 on an A4 page the text appears; over region 2 nothing is drawn.
button 2400 615
page_edge_is 703 1074
e2e_dclick $((PAGE_X + 645)) $((PAGE_Y + 100))
e2e_park
stamped()
{
    e2e_shot "$SHOT"
    convert "$SHOT" -crop "60x30+$((PAGE_X + 641))+$((PAGE_Y + 90))" +repage -fill black +opaque "rgb(${STAMP// /,})" \
        -fill white -opaque "rgb(${STAMP// /,})" -format '%[fx:int(mean*w*h+0.5)]' info: | awk '{ exit !($1 > 20) }'
}
# page_part SHOT OUT : the visible part of an A4 page, cut out of a screenshot.
page_part() { convert "$1" -crop "703x$((SCREEN_H - PAGE_Y))+$PAGE_X+$PAGE_Y" +repage "$2"; }
e2e_wait_for 10 stamped || e2e_fail "no stamped text beside region 1"
page_part "$SHOT" "$E2E_RUN/before.png"
e2e_dclick $((R1_X + 300)) $((R2_Y + 80))
e2e_park
sleep 0.5
e2e_shot "$SHOT"
page_part "$SHOT" "$E2E_RUN/after.png"
changed=$(e2e_diff_pixels "$E2E_RUN/before.png" "$E2E_RUN/after.png")
e2e_assert_eq "$changed" 0 "pixels changed by a double-click over region 2"

# tool_frame : FRAME_L FRAME_T FRAME_R FRAME_B of the crop tool (its window manager frame).
tool_frame()
{
    local ext
    e2e_geometry "$TOOL"
    ext=$(xprop -id "$TOOL" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    [ -n "$ext" ] || return 1
    IFS=, read -r EL ER ET EB <<<"$ext"
    FRAME_L=$((GEO_X - EL))
    FRAME_T=$((GEO_Y - ET))
    FRAME_R=$((GEO_X + GEO_W + ER))
    FRAME_B=$((GEO_Y + GEO_H + EB))
}
# expect_tool_left LEFT : the tool's frame settles whole on the screen with its left edge at LEFT
# (-1: against the screen's right edge).
expect_tool_left()
{
    local want=$1 deadline=$((SECONDS + 10)) ok
    while :; do
        TOOL=$(e2e_find_window "澄岭剪裁抓图" | head -n1)
        ok=0
        if [ -n "$TOOL" ] && tool_frame; then
            if [ "$want" -ge 0 ]; then [ "$FRAME_L" -eq "$want" ] && ok=1; else [ "$FRAME_R" -eq $SCREEN_W ] && ok=1; fi
            [ "$FRAME_T" -ge 0 ] && [ "$FRAME_L" -ge 0 ] && [ "$FRAME_R" -le $SCREEN_W ] && [ "$FRAME_B" -le $SCREEN_H ] || ok=0
        fi
        [ $ok = 1 ] && break
        [ $SECONDS -lt $deadline ] ||
            e2e_fail "crop tool frame ${FRAME_L:-?},${FRAME_T:-?} to ${FRAME_R:-?},${FRAME_B:-?}, wanted left edge $want"
        sleep 0.2
    done
    # Once placed it stays there.
    sleep 0.5
    local l=$FRAME_L t=$FRAME_T
    tool_frame
    e2e_assert_eq "$FRAME_L,$FRAME_T" "$l,$t" "crop tool frame after settling"
    e2e_log "crop tool frame at ($FRAME_L,$FRAME_T)-($FRAME_R,$FRAME_B)"
}
menu_save()
{
    e2e_activate "$FW"
    e2e_open_menu $((FX + 15)) "$MENU_Y"
    e2e_key Down Down Down Return # 新建 打开 保存
}

# The page at A6 (387 pixels): the tool's frame at 5805 + 20 twips = 388 pixels, shown the first time.
button 3600 615
page_edge_is 387 613
menu_save
expect_tool_left 388
# At A4 (703 pixels) the tool, still shown, would stick out on the right: it stands against that edge.
e2e_activate "$FW"
button 2400 615
page_edge_is 703 1074
menu_save
expect_tool_left -1
# Hidden by its own 退出 (which shows the main window), then shown again beside an A6 page.
e2e_activate "$TOOL"
e2e_open_menu $((GEO_X + 15)) $((GEO_Y + 8))
e2e_key Up Return # 退出
e2e_wait_window_gone "澄岭剪裁抓图" 10 || e2e_fail "the crop tool did not hide"
e2e_activate "$FW"
button 3600 615
page_edge_is 387 613
menu_save
expect_tool_left 388

echo PASS

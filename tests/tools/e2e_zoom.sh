#!/bin/bash
# The zoom viewer with real input under Xvfb: open it from the main window,
# take a picture through the real file dialog, enlarge, reduce, and check
# the screen pixel by pixel; closing it brings the main window back.
set -u
. "${BASH_SOURCE[0]%/*}/e2e_lib.sh" || exit 1

start_display
start_program
MAIN=$(wait_window '^澄岭拼贴通4.6版$')

# A 40 x 30 picture of four colour blocks.
PIC="$RUN/blocks.bmp"
convert -size 20x15 xc:'#ff0000' -size 20x15 xc:'#0000ff' +append \
    \( -size 20x15 xc:'#00ff00' -size 20x15 xc:'#202020' +append \) -append -type TrueColor BMP3:"$PIC" \
    || fail "cannot make the test picture"

shot main.png
STRIP_TOP=$(convert "$RUN/main.png" -crop 1x120+1200+0 txt:- | awk -F'[,:]' '/#D7157B/ {print $2; exit}')
[ -n "$STRIP_TOP" ] || fail "toolbar strip not found"
# "缩放" is at 1950..2445 twips of the strip.
xdotool mousemove 146 $((STRIP_TOP + 10)) click 1
VIEW=$(wait_window '^澄岭图像缩放剪裁$') || fail "the zoom viewer did not open"
maximized() { xprop -id "$VIEW" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_HORZ; }
until_ok 10 maximized || fail "the viewer is not maximized"
sleep 0.3 # let the window manager's last configure arrive
read -r CX CY < <(client_origin "$VIEW")
W=$(client_width "$VIEW")
# Buttons: 1005 twips (67 px) wide, edge to edge, ending 200 twips before the right edge.
button_x() { echo $((CX + (W * 15 - $1 * 1005 - 200) / 15 + 33)); }
BY=$((CY + 9))
BG="192,255,255"
IX=$((CX + 2)) IY=$((CY + 2)) # Image1 at 30, 30 twips
screen_pixel_is $((IX + 100)) $((IY + 100)) "$BG" || fail "viewer background is not RGB(192,255,255)"

# 取图
xdotool mousemove "$(button_x 4)" $BY click 1
wait_window '^打开$' >/dev/null || fail "no open dialog"
xdotool type --delay 10 "$PIC"
xdotool key Return
wait_gone '^打开$' || fail "open dialog stayed open"
until_ok 10 screen_pixel_is $((IX + 39)) $((IY + 29)) "32,32,32" || fail "picture not shown at natural size"
shot natural.png
check() { # file x y colour what
    [ "$(pixel "$RUN/$1" $((IX + $2)) $((IY + $3)))" = "$4" ] || fail "$5: pixel $2,$3 is $(pixel "$RUN/$1" $((IX + $2)) $((IY + $3))), not $4"
}
check natural.png 0 0 255,0,0 "natural"
check natural.png 19 14 255,0,0 "natural"
check natural.png 20 14 0,0,255 "natural"
check natural.png 19 15 0,255,0 "natural"
check natural.png 40 10 "$BG" "natural"
check natural.png 10 30 "$BG" "natural"

# 放大: 50 x 37.5 -> 38 pixels.
xdotool mousemove "$(button_x 3)" $BY click 1
until_ok 10 screen_pixel_is $((IX + 49)) $((IY + 37)) "32,32,32" || fail "not enlarged"
xdotool mousemove 1500 900
shot enlarged.png
check enlarged.png 24 18 255,0,0 "enlarged"
check enlarged.png 25 18 0,0,255 "enlarged"
check enlarged.png 24 19 0,255,0 "enlarged"
check enlarged.png 50 20 "$BG" "enlarged"
check enlarged.png 20 38 "$BG" "enlarged"

# 缩小: 37.5 x 28.125 -> 38 x 28 pixels, not the natural size again.
xdotool mousemove "$(button_x 2)" $BY click 1
until_ok 10 screen_pixel_is $((IX + 40)) $((IY + 10)) "$BG" || fail "not reduced"
xdotool mousemove 1500 900
shot reduced.png
check reduced.png 37 27 32,32,32 "reduced"
check reduced.png 38 10 "$BG" "reduced"
check reduced.png 10 28 "$BG" "reduced"
check reduced.png 18 13 255,0,0 "reduced"
check reduced.png 19 14 32,32,32 "reduced"

# Closing shows the main window, even when it was minimized.
xdotool windowminimize "$MAIN"
wait_gone '^澄岭拼贴通4.6版$' || fail "main window did not minimize"
# The close box: openbox closes the active window on Alt+F4.
timeout 5 xdotool windowactivate --sync "$VIEW" 2>/dev/null
xdotool key alt+F4
wait_gone '^澄岭图像缩放剪裁$' || fail "the viewer did not close"
wait_window '^澄岭拼贴通4.6版$' >/dev/null || fail "closing did not show the main window"
kill -0 "$APID" || fail "the program ended"
echo "PASS"

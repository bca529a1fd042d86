#!/bin/bash
# The crop-capture tool with real input under Xvfb: arm it from the main
# window, a right press that must be ignored, a left drag up and to the left,
# the clipboard checked against a screenshot, the picture saved through the
# real file dialog (including its overwrite question), and "退出".
set -u
. "${BASH_SOURCE[0]%/*}/e2e_lib.sh" || exit 1

start_display
start_program
MAIN=$(wait_window '^澄岭拼贴通4.6版$')

# The main window's toolbar strip: its first row of strip colour.
shot main.png
STRIP_TOP=$(convert "$RUN/main.png" -crop 1x120+1200+0 txt:- | awk -F'[,:]' '/#D7157B/ {print $2; exit}')
[ -n "$STRIP_TOP" ] || fail "toolbar strip not found"
# "剪裁" is at 2430..2925 twips of the strip.
xdotool mousemove 178 $((STRIP_TOP + 10)) click 1
TOOL=$(wait_window '^澄岭剪裁抓图$') || fail "the crop-capture tool did not open"
read -r TX TY < <(client_origin "$TOOL")
MENU_X=$((TX + 15)) MENU_Y=$((TY + 8))

# The screen as it is before arming; the rectangle stays clear of the tool.
shot before.png
open_menu $MENU_X $MENU_Y
xdotool key Down Return
wait_gone '^澄岭剪裁抓图$' || fail "arming did not hide the tool"
wait_window '^剪裁抓图选择$' >/dev/null || fail "no selection overlay"

# A right press does nothing: the tool stays hidden and armed.
xdotool mousemove 700 450 click 3
sleep 0.3
xdotool search --onlyvisible --name '^澄岭剪裁抓图$' >/dev/null 2>&1 && fail "a right press ended the capture"

# Left drag from 1000,700 up and to the left to 680,500: 320 x 200.
xdotool mousemove 1000 700 mousedown 1
for p in "990 690" "900 650" "1100 750" "800 600" "700 520" "680 500"; do
    xdotool mousemove $p
    sleep 0.02
done
xdotool key Escape # no key ends a selection
frame_drawn() { screen_pixel_is 680 600 "$(pixel "$RUN/before.png" 680 600)" && return 1 || return 0; }
until_ok 10 frame_drawn || fail "the rubber band is not drawn"
shot drag.png
xdotool search --onlyvisible --name '^剪裁抓图选择$' >/dev/null 2>&1 || fail "Escape ended the selection"
# The label "320x200" sits on the rectangle's centre: pixels there changed.
convert "$RUN/before.png" -crop 60x16+810+592 +repage "$RUN/centre-before.png"
convert "$RUN/drag.png" -crop 60x16+810+592 +repage "$RUN/centre-drag.png"
[ "$(diff_pixels "$RUN/centre-before.png" "$RUN/centre-drag.png")" -gt 100 ] || fail "no size label at the centre"
xdotool mouseup 1

wait_window '^澄岭剪裁抓图$' >/dev/null || fail "the tool did not come back"
xclip -selection clipboard -t TARGETS -o | grep -qx 'image/png' || fail "no image on the clipboard"
xclip -selection clipboard -t image/png -o >"$RUN/clip.png" || fail "clipboard unreadable"
[ "$(identify -format '%wx%h' "$RUN/clip.png")" = 320x200 ] || fail "clipboard image is $(identify -format '%wx%h' "$RUN/clip.png")"
convert "$RUN/before.png" -crop 320x200+680+500 +repage "$RUN/expected.png"
[ "$(diff_pixels "$RUN/expected.png" "$RUN/clip.png")" = 0 ] || fail "clipboard pixels differ from the screen"

# Save through the real dialog.
OUT="$RUN/cut.bmp"
open_menu $MENU_X $MENU_Y
xdotool key Down Down Return
wait_window '^保存$' >/dev/null || fail "no save dialog"
xdotool type --delay 10 "$OUT"
xdotool key Return
until_ok 10 test -s "$OUT" || fail "nothing saved"
wait_gone '^保存$' || fail "save dialog stayed open"
[ "$(stat -c %s "$OUT")" = $((54 + 960 * 200)) ] || fail "BMP size $(stat -c %s "$OUT")"
[ "$(head -c 2 "$OUT")" = BM ] || fail "not a BMP file"
[ "$(od -An -tu2 -j28 -N2 "$OUT" | tr -d ' ')" = 24 ] || fail "not 24 bits per pixel"
[ "$(diff_pixels "$RUN/clip.png" "$OUT")" = 0 ] || fail "saved pixels differ"

# A second, smaller capture saved over the first: the dialog asks first.
open_menu $MENU_X $MENU_Y
xdotool key Down Return
wait_window '^剪裁抓图选择$' >/dev/null || fail "no overlay for the second capture"
xdotool mousemove 100 600 mousedown 1 mousemove 120 620 mousemove 140 630 mouseup 1
wait_window '^澄岭剪裁抓图$' >/dev/null || fail "the tool did not come back"
open_menu $MENU_X $MENU_Y
xdotool key Down Down Return
wait_window '^保存$' >/dev/null || fail "no save dialog"
xdotool key ctrl+a
xdotool type --delay 10 "$OUT"
xdotool key Return
# The question box carries the dialog's title too.
asked() { [ "$(xdotool search --onlyvisible --name '^保存$' 2>/dev/null | wc -l)" -ge 2 ]; }
until_ok 10 asked || fail "no overwrite question"
xdotool key y
replaced() { [ "$(stat -c %s "$OUT")" = $((54 + 120 * 30)) ]; }
until_ok 10 replaced || fail "file not replaced after the question"
convert "$RUN/before.png" -crop 40x30+100+600 +repage "$RUN/expected2.png"
[ "$(diff_pixels "$RUN/expected2.png" "$OUT")" = 0 ] || fail "second capture's pixels differ"

# "退出" hides the tool and brings the main window back, even minimized.
xdotool windowminimize "$MAIN"
wait_gone '^澄岭拼贴通4.6版$' || fail "main window did not minimize"
open_menu $MENU_X $MENU_Y
xdotool key Down Down Down Return
wait_gone '^澄岭剪裁抓图$' || fail "退出 did not hide the tool"
wait_window '^澄岭拼贴通4.6版$' >/dev/null || fail "退出 did not show the main window"
kill -0 "$APID" || fail "the program ended"
echo "PASS"

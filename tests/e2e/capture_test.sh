#!/bin/bash
# The crop-capture tool with real input: arm it from the main window, a right press that must be ignored,
# a left drag up and to the left, the clipboard checked against a screenshot, the picture saved through
# the real file dialog (including its overwrite question), and "退出".
# Usage: capture_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: capture_test.sh PROGRAM}
TOOL_TITLE="澄岭剪裁抓图"
OVERLAY_TITLE="剪裁抓图选择"

e2e_init
e2e_require xclip compare identify od
form30_start
MAIN=$WID

# "剪裁" is at 2430..2925 twips of the strip.
e2e_click "$(button_x 2430 495)" "$BUTTON_Y"
e2e_geometry "$(e2e_wait_window "$TOOL_TITLE" 20)"
MENU_X=$((GEO_X + 15)) MENU_Y=$((GEO_Y + 8))

# The screen as it is before arming; the rectangle stays clear of the tool.
BEFORE=$E2E_RUN/before.png
e2e_shot "$BEFORE"
e2e_open_menu $MENU_X $MENU_Y
e2e_key Down Return
e2e_wait_window_gone "$TOOL_TITLE" 20
e2e_wait_window "$OVERLAY_TITLE" 20 >/dev/null

# A right press does nothing: the tool stays hidden and armed.
xdotool mousemove 700 450 click 3
sleep 0.3
[ -z "$(e2e_find_window "$TOOL_TITLE")" ] || e2e_fail "a right press ended the capture"

# Left drag from 1000,700 up and to the left to 680,500: 320 x 200.
xdotool mousemove 1000 700 mousedown 1
for p in "990 690" "900 650" "1100 750" "800 600" "700 520" "680 500"; do
    xdotool mousemove $p
    sleep 0.02
done
xdotool key Escape # no key ends a selection
UNDER_FRAME=$(e2e_pixel "$BEFORE" 680 600)
frame_drawn() { e2e_shot "$E2E_RUN/poll.png" && [ "$(e2e_pixel "$E2E_RUN/poll.png" 680 600)" != "$UNDER_FRAME" ]; }
e2e_wait_for 10 frame_drawn || e2e_fail "the rubber band is not drawn"
e2e_shot "$E2E_RUN/drag.png"
[ -n "$(e2e_find_window "$OVERLAY_TITLE")" ] || e2e_fail "Escape ended the selection"
# The label "320x200" sits on the rectangle's centre: pixels there changed.
convert "$BEFORE" -crop 60x16+810+592 +repage "$E2E_RUN/centre-before.png"
convert "$E2E_RUN/drag.png" -crop 60x16+810+592 +repage "$E2E_RUN/centre-drag.png"
[ "$(e2e_diff_pixels "$E2E_RUN/centre-before.png" "$E2E_RUN/centre-drag.png")" -gt 100 ] ||
    e2e_fail "no size label at the centre"
xdotool mouseup 1

e2e_wait_window "$TOOL_TITLE" 20 >/dev/null
CLIP=$E2E_RUN/clip.png
xclip -selection clipboard -t TARGETS -o | grep -qx 'image/png' || e2e_fail "no image on the clipboard"
xclip -selection clipboard -t image/png -o >"$CLIP" || e2e_fail "clipboard unreadable"
e2e_assert_eq "$(identify -format '%wx%h' "$CLIP")" 320x200 "clipboard image size"
convert "$BEFORE" -crop 320x200+680+500 +repage "$E2E_RUN/expected.png"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/expected.png" "$CLIP")" 0 "clipboard pixels differing from the screen"

# Save through the real dialog.
OUT=$E2E_RUN/cut.bmp
e2e_open_menu $MENU_X $MENU_Y
e2e_key Down Down Return
e2e_file_dialog "保存" "$OUT" 20
e2e_wait_file "$OUT" 10 || e2e_fail "nothing saved"
e2e_assert_eq "$(stat -c %s "$OUT")" $((54 + 960 * 200)) "BMP size"
e2e_assert_eq "$(head -c 2 "$OUT")" BM "BMP signature"
e2e_assert_eq "$(od -An -tu2 -j28 -N2 "$OUT" | tr -d ' ')" 24 "bits per pixel"
e2e_assert_eq "$(e2e_diff_pixels "$CLIP" "$OUT")" 0 "saved pixels differing from the clipboard"

# A second, smaller capture saved over the first: the dialog asks first.
e2e_open_menu $MENU_X $MENU_Y
e2e_key Down Return
e2e_wait_window "$OVERLAY_TITLE" 20 >/dev/null
xdotool mousemove 100 600 mousedown 1 mousemove 120 620 mousemove 140 630 mouseup 1
e2e_wait_window "$TOOL_TITLE" 20 >/dev/null
e2e_open_menu $MENU_X $MENU_Y
e2e_key Down Down Return
e2e_wait_window "保存" 20 >/dev/null
e2e_key ctrl+a
xdotool type --delay 10 "$OUT"
e2e_key Return
# The question box carries the dialog's title too.
asked() { [ "$(e2e_find_window "保存" | wc -l)" -ge 2 ]; }
e2e_wait_for 10 asked || e2e_fail "no overwrite question"
e2e_key y
replaced() { [ "$(stat -c %s "$OUT")" = $((54 + 120 * 30)) ]; }
e2e_wait_for 10 replaced || e2e_fail "file not replaced after the question"
convert "$BEFORE" -crop 40x30+100+600 +repage "$E2E_RUN/expected2.png"
e2e_assert_eq "$(e2e_diff_pixels "$E2E_RUN/expected2.png" "$OUT")" 0 "second capture's differing pixels"

# "退出" hides the tool and brings the main window back, even minimized.
xdotool windowminimize "$MAIN"
e2e_wait_window_gone "$TITLE" 20
e2e_open_menu $MENU_X $MENU_Y
e2e_key Down Down Down Return
e2e_wait_window_gone "$TOOL_TITLE" 20
e2e_wait_window "$TITLE" 20 >/dev/null
e2e_app_running || e2e_fail "the program ended"
echo PASS

#!/bin/bash
# Takes the pictures in docs/screenshots/ from the built program on a private X display.
# Usage: scripts/screenshots.sh [PROGRAM]   (default build/src/pintietong)
set -u
cd "$(dirname "$0")/.." || exit 1
ROOT=$(pwd)
PROGRAM=${1:-$ROOT/build/src/pintietong}
OUT=$ROOT/docs/screenshots
E2E_SCREEN=1280x800x24
. "$ROOT/tests/e2e/lib.sh"
e2e_init
mkdir -p "$OUT"

save() # save NAME : the screen, scaled down and with a palette to keep the files small
{
    e2e_shot "$E2E_RUN/$1.png"
    convert "$E2E_RUN/$1.png" -resize 1024x640 +dither -colors 255 -strip -define png:compression-level=9 \
        "$OUT/$1.png"
    echo "wrote docs/screenshots/$1.png"
}

e2e_start_display
e2e_start_program "$PROGRAM"
WID=$(e2e_wait_window "澄岭拼贴通4.6版" 60)
e2e_wait_maximized "$WID"
e2e_geometry "$WID"
sleep 1
e2e_park
save main-window

# A sample tiling from the 样图 menu, dragged a little to show the page moves.
e2e_click $((GEO_X + 59)) $((GEO_Y + 8))
e2e_key Down Down Down Return
sleep 1
e2e_drag 700 500 560 420 6
e2e_park
sleep 0.5
save main-window-sample

# The save dialog over the page.
e2e_click $((GEO_X + (990 + 247) / 15)) $((GEO_Y + 27))
DLG=$(e2e_wait_window "另存为" 20)
sleep 1
save save-dialog
e2e_key Escape
e2e_wait_window_gone "另存为" 10

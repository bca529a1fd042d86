# Shared by the tools' end-to-end scripts: a private X display with a window
# manager, the program running on it, and polling helpers. Source it.
# Exit code 77 tells ctest the test was skipped.

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool not installed"; exit 77; }
    done
}

need Xvfb xdotool openbox xprop xwininfo import convert compare xclip

PROGRAM=${1:?program path}
RUN=$(mktemp -d)
chmod 700 "$RUN"
mkdir -m 700 "$RUN/xdg"
XPID= WMPID= APID=

cleanup() {
    [ -n "$APID" ] && kill "$APID" 2>/dev/null && wait "$APID" 2>/dev/null
    [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null && wait "$WMPID" 2>/dev/null
    # Always wait for Xvfb: a display number reused too soon breaks the next run.
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null && wait "$XPID" 2>/dev/null
    if [ -n "$KEEP_SHOTS" ]; then
        mkdir -p "$KEEP_SHOTS" && cp "$RUN"/*.png "$KEEP_SHOTS"/ 2>/dev/null
    fi
    rm -rf "$RUN"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    import -window root "$RUN/fail.png" 2>/dev/null
    [ -s "$RUN/app.log" ] && { echo "--- program output"; cat "$RUN/app.log"; }
    exit 1
}

# until_ok SECONDS command...: runs the command until it succeeds or time is up.
until_ok() {
    local seconds=$1
    shift
    local deadline=$(($(date +%s%N) / 1000000 + seconds * 1000))
    until "$@"; do
        [ $(($(date +%s%N) / 1000000)) -ge "$deadline" ] && return 1
        sleep 0.05
    done
}

start_display() {
    Xvfb -screen 0 1600x1000x24 -nolisten tcp -displayfd 3 3>"$RUN/displayfd" 2>"$RUN/xvfb.log" &
    XPID=$!
    until_ok 20 test -s "$RUN/displayfd" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$RUN/displayfd")"
    openbox >/dev/null 2>&1 &
    WMPID=$!
    wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
    until_ok 20 wm_up || fail "openbox did not start"
}

start_program() {
    XDG_RUNTIME_DIR="$RUN/xdg" "$PROGRAM" >"$RUN/app.log" 2>&1 &
    APID=$!
    wait_window '^澄岭拼贴通4.6版$' >/dev/null || fail "main window did not appear"
}

# wait_window TITLE-REGEX: prints the visible window's id once it is there.
wait_window() {
    local id
    find_it() { id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; }
    until_ok 20 find_it "$1" || return 1
    echo "$id"
}

# wait_gone TITLE-REGEX: until no visible window has the title.
wait_gone() {
    gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
    until_ok 20 gone "$1"
}

visible_count() { xdotool search --onlyvisible --pid "$APID" 2>/dev/null | wc -l; }

# client_origin WINDOW-ID: "X Y" of the client area on the screen.
client_origin() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

client_width() { xwininfo -id "$1" | awk '/^  Width:/ {print $2}'; }

shot() { import -window root "$RUN/$1"; }

# pixel FILE X Y: "r,g,b" of one pixel of a screenshot.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

screen_pixel_is() {
    import -window root "$RUN/poll.png" && [ "$(pixel "$RUN/poll.png" "$1" "$2")" = "$3" ]
}

# Opens the menu whose title is at X Y and waits for its popup.
open_menu() {
    local before
    before=$(visible_count)
    xdotool mousemove "$1" "$2" click 1
    more_windows() { [ "$(visible_count)" -gt "$before" ]; }
    until_ok 10 more_windows || fail "menu did not open"
}

# Number of differing pixels between two pictures.
diff_pixels() { compare -metric AE "$1" "$2" null: 2>&1; }

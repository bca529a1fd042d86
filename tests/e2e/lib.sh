# Shared helpers for the end-to-end tests: a private X display with a window manager, the real program
# started on it, and the mouse and keyboard driven with xdotool. Source it, then call e2e_init.
#
# Coordinates are root (screen) pixels unless a name says otherwise. Every wait polls with a deadline.

E2E_SKIP=77
E2E_RUN=""
E2E_DISPLAY=""
E2E_XVFB_PID=""
E2E_WM_PID=""
E2E_APP_PID=""
E2E_WATCHDOG_PID=""
E2E_SCREEN=${E2E_SCREEN:-1600x1000x24}
E2E_CLEANUP_HOOKS=()

e2e_log() { printf '[e2e %s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

e2e_fail()
{
    printf 'FAIL: %s\n' "$*" >&2
    if [ -n "$E2E_APP_PID" ] && ! kill -0 "$E2E_APP_PID" 2>/dev/null; then
        local st
        wait "$E2E_APP_PID" 2>/dev/null
        st=$?
        E2E_APP_PID=""
        if [ "$st" -gt 128 ]; then
            printf 'the program was ended by signal %d (%s)\n' $((st - 128)) "$(kill -l $((st - 128)) 2>/dev/null)" >&2
        else
            printf 'the program exited with status %d\n' "$st" >&2
        fi
    fi
    if [ -n "$E2E_RUN" ] && [ -s "$E2E_RUN/app.log" ]; then
        printf -- '--- program output (last lines)\n' >&2
        tail -n 20 "$E2E_RUN/app.log" >&2
    fi
    if [ -n "$E2E_DISPLAY" ] && [ -n "$E2E_RUN" ]; then
        # Keep a picture of the screen for whoever reads the log.
        local shot=${E2E_FAIL_SHOT_DIR:-$PWD}/e2e-fail-$(basename "$0" .sh).png
        DISPLAY=$E2E_DISPLAY import -window root "$shot" 2>/dev/null && printf 'screen saved to %s\n' "$shot" >&2
    fi
    exit 1
}

e2e_skip()
{
    printf 'SKIP: %s\n' "$*" >&2
    exit "$E2E_SKIP"
}

# e2e_require CMD... : skip the test when a tool is missing.
e2e_require()
{
    local c
    for c in "$@"; do
        command -v "$c" >/dev/null 2>&1 || e2e_skip "$c is not installed"
    done
}

e2e_init()
{
    e2e_require Xvfb xdotool openbox xwininfo xprop import convert
    # A caller's TMPDIR may not exist; everything below lives in our own folder anyway.
    [ -d "${TMPDIR:-/tmp}" ] && [ -w "${TMPDIR:-/tmp}" ] || TMPDIR=/tmp
    E2E_RUN=$(mktemp -d "${TMPDIR:-/tmp}/ptt-e2e.XXXXXX") || exit 1
    chmod 700 "$E2E_RUN"
    e2e_private_env
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM HUP
    # A test killed outright (a ctest timeout) runs no trap: a watchdog then stops what it started.
    local parent=$$ run=$E2E_RUN
    (
        trap '' INT TERM HUP
        while kill -0 "$parent" 2>/dev/null; do sleep 1; done
        [ -f "$run/pids" ] && xargs -r kill -KILL <"$run/pids"
        rm -rf "$run"
    ) </dev/null >/dev/null 2>&1 &
    E2E_WATCHDOG_PID=$!
}

# e2e_private_env : the test's own environment, whatever the caller's holds: no display until
# e2e_start_display, the xcb platform without desktop settings, private XDG folders and HOME, a fixed
# locale, and a program folder of its own ($PTT_APPDIR, which a test may point elsewhere).
e2e_private_env()
{
    local v
    unset DISPLAY WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS XMODIFIERS GTK_IM_MODULE \
        CUPS_SERVER DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID BROWSER LANGUAGE
    for v in $(compgen -e); do
        case $v in
        QT_LOGGING_RULES) ;;
        QT_* | PTT_* | XDG_*) unset "$v" ;;
        esac
    done
    export QT_QPA_PLATFORM=xcb
    export QT_LOGGING_RULES=${QT_LOGGING_RULES:-qt.qpa.*=false}
    export NO_AT_BRIDGE=1
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    mkdir -m 700 "$E2E_RUN/xdg" "$E2E_RUN/home" "$E2E_RUN/tmp" "$E2E_RUN/appdir"
    mkdir -p "$E2E_RUN/home/.config" "$E2E_RUN/home/.local/share" "$E2E_RUN/home/.local/state" "$E2E_RUN/home/.cache"
    export HOME=$E2E_RUN/home TMPDIR=$E2E_RUN/tmp
    export XDG_RUNTIME_DIR=$E2E_RUN/xdg XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share \
        XDG_STATE_HOME=$HOME/.local/state XDG_CACHE_HOME=$HOME/.cache XDG_CONFIG_DIRS=/etc/xdg \
        XDG_DATA_DIRS=/usr/local/share:/usr/share
    export PTT_APPDIR=$E2E_RUN/appdir
}

# e2e_track PID : a process for the watchdog to stop if the test dies without cleaning up.
e2e_track() { printf '%s\n' "$1" >>"$E2E_RUN/pids"; }

# e2e_on_cleanup CMD : run CMD (a string) when the test ends, before the display goes away.
e2e_on_cleanup() { E2E_CLEANUP_HOOKS+=("$1"); }

# Poll until a process has ended, at most $2 tenths of a second, then kill it hard.
e2e_reap()
{
    local pid=$1 tenths=${2:-50} i
    [ -n "$pid" ] || return 0
    for ((i = 0; i < tenths; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup()
{
    local status=$? h
    trap - EXIT
    for h in "${E2E_CLEANUP_HOOKS[@]}"; do
        eval "$h" || true
    done
    e2e_stop_program
    if [ -n "$E2E_WM_PID" ]; then
        kill "$E2E_WM_PID" 2>/dev/null
        e2e_reap "$E2E_WM_PID" 30
    fi
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null
        # Always wait: a display number reused too soon breaks the next run.
        e2e_reap "$E2E_XVFB_PID" 50
    fi
    if [ -n "$E2E_WATCHDOG_PID" ]; then
        kill -KILL "$E2E_WATCHDOG_PID" 2>/dev/null
        wait "$E2E_WATCHDOG_PID" 2>/dev/null
    fi
    if [ -n "$E2E_RUN" ] && [ -z "${E2E_KEEP:-}" ]; then
        rm -rf "$E2E_RUN"
    fi
    exit "$status"
}

# Start Xvfb on a display it chooses itself, then openbox, and wait until the WM manages the screen.
e2e_start_display()
{
    local fdfile=$E2E_RUN/displayfd deadline
    Xvfb -screen 0 "$E2E_SCREEN" -nolisten tcp -noreset -displayfd 3 3>"$fdfile" >"$E2E_RUN/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    e2e_track "$E2E_XVFB_PID"
    deadline=$((SECONDS + 20))
    until [ -s "$fdfile" ]; do
        kill -0 "$E2E_XVFB_PID" 2>/dev/null || { cat "$E2E_RUN/xvfb.log" >&2; e2e_fail "Xvfb did not start"; }
        [ $SECONDS -lt $deadline ] || e2e_fail "Xvfb gave no display number"
        sleep 0.05
    done
    E2E_DISPLAY=:$(head -n1 "$fdfile" | tr -d '[:space:]')
    export DISPLAY=$E2E_DISPLAY
    openbox --sm-disable >"$E2E_RUN/openbox.log" 2>&1 &
    E2E_WM_PID=$!
    e2e_track "$E2E_WM_PID"
    deadline=$((SECONDS + 20))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
        kill -0 "$E2E_WM_PID" 2>/dev/null || { cat "$E2E_RUN/openbox.log" >&2; e2e_fail "openbox did not start"; }
        [ $SECONDS -lt $deadline ] || e2e_fail "openbox did not take the screen"
        sleep 0.05
    done
    # Park the pointer in a corner, away from anything we read.
    xdotool mousemove 1599 999 2>/dev/null || true
    e2e_log "display $E2E_DISPLAY ready"
}

# e2e_start_program EXE [ARGS...] : run the program on the display, its output in $E2E_RUN/app.log.
e2e_start_program()
{
    "$@" >"$E2E_RUN/app.log" 2>&1 &
    E2E_APP_PID=$!
    e2e_track "$E2E_APP_PID"
    e2e_log "started $1 (pid $E2E_APP_PID)"
}

e2e_app_running() { [ -n "$E2E_APP_PID" ] && kill -0 "$E2E_APP_PID" 2>/dev/null; }

e2e_stop_program()
{
    [ -n "$E2E_APP_PID" ] || return 0
    kill "$E2E_APP_PID" 2>/dev/null
    e2e_reap "$E2E_APP_PID" 50
    E2E_APP_PID=""
}

# e2e_find_window TITLE : ids of visible windows whose title is exactly TITLE (one a line, maybe none).
e2e_find_window()
{
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')
    xdotool search --onlyvisible --name "^${pattern}\$" 2>/dev/null
}

# e2e_wait_window TITLE [SECONDS] : print the id of the visible window titled exactly TITLE.
e2e_wait_window()
{
    local title=$1 deadline=$((SECONDS + ${2:-30})) ids
    while :; do
        ids=$(e2e_find_window "$title")
        if [ -n "$ids" ]; then
            printf '%s\n' "$ids" | tail -n1
            return 0
        fi
        if [ -n "$E2E_APP_PID" ] && ! e2e_app_running; then
            cat "$E2E_RUN/app.log" >&2
            e2e_fail "the program ended while waiting for window \"$title\""
        fi
        [ $SECONDS -lt $deadline ] || e2e_fail "no window \"$title\" within ${2:-30} s"
        sleep 0.1
    done
}

# e2e_wait_for SECONDS CMD... : run CMD until it succeeds; false when the time is up.
e2e_wait_for()
{
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.1
    done
}

# e2e_wait_window_gone TITLE [SECONDS]
e2e_wait_window_gone()
{
    local title=$1 deadline=$((SECONDS + ${2:-15}))
    while [ -n "$(e2e_find_window "$title")" ]; do
        [ $SECONDS -lt $deadline ] || e2e_fail "window \"$title\" is still there after ${2:-15} s"
        sleep 0.1
    done
}

# e2e_geometry WID : set GEO_X GEO_Y (client area's top-left on the screen) and GEO_W GEO_H (client size).
# Taken from xwininfo; xdotool's own geometry counts the title bar twice under openbox.
e2e_geometry()
{
    local info
    info=$(xwininfo -id "$1" 2>/dev/null) || e2e_fail "xwininfo failed for window $1"
    GEO_X=$(sed -n 's/^ *Absolute upper-left X: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$info")
    GEO_Y=$(sed -n 's/^ *Absolute upper-left Y: *\(-\{0,1\}[0-9]*\).*/\1/p' <<<"$info")
    GEO_W=$(sed -n 's/^ *Width: *\([0-9]*\).*/\1/p' <<<"$info")
    GEO_H=$(sed -n 's/^ *Height: *\([0-9]*\).*/\1/p' <<<"$info")
    [ -n "$GEO_X" ] && [ -n "$GEO_Y" ] && [ -n "$GEO_W" ] && [ -n "$GEO_H" ] || e2e_fail "no geometry for $1"
}

# e2e_net_state WID : the window's _NET_WM_STATE atoms.
e2e_net_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }

# e2e_wait_maximized WID [SECONDS]
e2e_wait_maximized()
{
    local deadline=$((SECONDS + ${2:-15})) s
    while :; do
        s=$(e2e_net_state "$1")
        if grep -q _NET_WM_STATE_MAXIMIZED_VERT <<<"$s" && grep -q _NET_WM_STATE_MAXIMIZED_HORZ <<<"$s"; then
            return 0
        fi
        [ $SECONDS -lt $deadline ] || e2e_fail "window $1 is not maximized ($s)"
        sleep 0.1
    done
}

# e2e_shot FILE : the whole screen as a picture.
e2e_shot()
{
    import -window root "$1" 2>/dev/null || e2e_fail "screenshot failed"
}

# e2e_pixel FILE X Y : "R G B" of one pixel of a picture (0..255).
e2e_pixel()
{
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)] %[fx:int(255*p{$2,$3}.g+0.5)] %[fx:int(255*p{$2,$3}.b+0.5)]" \
        info: 2>/dev/null
}

# e2e_pixels FILE "X Y" ... : one "R G B" line per point, read in one pass.
e2e_pixels()
{
    local file=$1 fmt="" pt x y
    shift
    for pt in "$@"; do
        read -r x y <<<"$pt"
        fmt+="%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]\n"
    done
    convert "$file" -format "$fmt" info: 2>/dev/null
}

# e2e_first_row_with FILE X FROM TO "R G B" : the first row in FROM..TO-1 of column X with that colour.
e2e_first_row_with()
{
    local shot=$1 x=$2 from=$3 to=$4 colour=$5 rows y=$3 line
    rows=$(convert "$shot" -crop "1x$((to - from))+$x+$from" +repage -depth 8 txt:- 2>/dev/null | tail -n +2)
    while read -r line; do
        local rgb
        rgb=$(sed -n 's/^[0-9]*,\([0-9]*\): *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\2 \3 \4/p' <<<"$line")
        if [ "$rgb" = "$colour" ]; then
            printf '%d\n' "$y"
            return 0
        fi
        y=$((y + 1))
    done <<<"$rows"
    return 1
}

# e2e_diff_pixels A B : how many pixels of two pictures of one size differ.
e2e_diff_pixels() { compare -metric AE "$1" "$2" null: 2>&1; }

# e2e_close_colour "R G B" "R G B" [TOL] : true when every channel differs by at most TOL (default 0).
e2e_close_colour()
{
    local a=($1) b=($2) tol=${3:-0} i d
    [ ${#a[@]} -eq 3 ] && [ ${#b[@]} -eq 3 ] || return 1
    for i in 0 1 2; do
        d=$((a[i] - b[i]))
        [ ${d#-} -le "$tol" ] || return 1
    done
}

# e2e_wait_pixel X Y "R G B" [TOL] [SECONDS] : poll screenshots until the screen pixel has the colour.
e2e_wait_pixel()
{
    local x=$1 y=$2 want=$3 tol=${4:-0} deadline=$((SECONDS + ${5:-10})) got
    while :; do
        e2e_shot "$E2E_RUN/poll.png"
        got=$(e2e_pixel "$E2E_RUN/poll.png" "$x" "$y")
        e2e_close_colour "$got" "$want" "$tol" && return 0
        [ $SECONDS -lt $deadline ] || e2e_fail "screen pixel ($x,$y) is ($got), expected ($want)"
        sleep 0.1
    done
}

# Mouse. Pauses between steps let the program see distinct events.
e2e_move() { xdotool mousemove "$1" "$2"; }

# e2e_park : pointer to the screen's bottom-right corner (outside what the tests read).
e2e_park()
{
    local w=${E2E_SCREEN%%x*} rest=${E2E_SCREEN#*x}
    xdotool mousemove $((w - 1)) $((${rest%%x*} - 1))
}

e2e_click()
{
    xdotool mousemove "$1" "$2" sleep 0.05 click 1
    # Two clicks at one spot within the double-click time would count as one double-click.
    sleep 0.45
}

e2e_dclick() { xdotool mousemove "$1" "$2" sleep 0.05 click --repeat 2 --delay 80 1; sleep 0.45; }

# e2e_drag X1 Y1 X2 Y2 [STEPS] : press at the start, move in steps, release at the end.
e2e_drag()
{
    local x1=$1 y1=$2 x2=$3 y2=$4 steps=${5:-8} i
    xdotool mousemove "$x1" "$y1" sleep 0.05 mousedown 1 sleep 0.05
    for ((i = 1; i <= steps; i++)); do
        xdotool mousemove $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps)) sleep 0.03
    done
    xdotool sleep 0.05 mouseup 1
    sleep 0.45
}

# e2e_open_menu X Y : click a menu title and wait until its popup shows (one more visible window of
# the program).
e2e_open_menu()
{
    local before
    before=$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | wc -l)
    xdotool mousemove "$1" "$2" sleep 0.05 click 1
    e2e_wait_for 10 e2e_more_windows_than "$before" || e2e_fail "the menu at ($1,$2) did not open"
}
e2e_more_windows_than() { [ "$(xdotool search --onlyvisible --pid "$E2E_APP_PID" 2>/dev/null | wc -l)" -gt "$1" ]; }

# Keyboard, to the window that has the focus.
e2e_type() { xdotool type --delay 15 -- "$1"; }
e2e_key() { xdotool key --delay 30 "$@"; }

# e2e_activate WID : raise and focus a window, best effort (openbox may refuse while windows change).
e2e_activate()
{
    local i
    for i in 1 2 3 4 5; do
        timeout 5 xdotool windowactivate --sync "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    return 1
}

# e2e_focused_window : id of the focused window, retrying while windows change.
e2e_focused_window()
{
    local i id
    for i in 1 2 3 4 5 6 7 8 9 10; do
        id=$(xdotool getactivewindow 2>/dev/null) && { printf '%s\n' "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# e2e_file_dialog TITLE PATH [SECONDS] : in Qt's own file dialog titled TITLE, enter PATH and accept.
# The name field has the focus when the dialog opens; select what it offers first.
e2e_file_dialog()
{
    local title=$1 path=$2 wid
    wid=$(e2e_wait_window "$title" "${3:-30}")
    e2e_activate "$wid" || true
    sleep 0.3
    e2e_key ctrl+a
    e2e_type "$path"
    sleep 0.2
    e2e_key Return
    e2e_wait_window_gone "$title" 15
}

# e2e_wait_file FILE [SECONDS] : wait until FILE exists and its size has settled.
e2e_wait_file()
{
    local f=$1 deadline=$((SECONDS + ${2:-15})) last=-1 size
    while :; do
        if [ -f "$f" ]; then
            size=$(stat -c %s "$f")
            [ "$size" = "$last" ] && [ "$size" -gt 0 ] && return 0
            last=$size
        fi
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# Fail-if helpers.
e2e_assert_eq()
{
    [ "$1" = "$2" ] || e2e_fail "${3:-values differ}: got '$1', expected '$2'"
}

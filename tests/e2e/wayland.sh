# Shared by the end-to-end tests on a Wayland desktop: a headless sway with PipeWire and the screenshot
# portal on a private session bus, a virtual pointer and a long-lived virtual keyboard. Source after
# lib.sh, call e2e_init, then wl_start_desktop. Skips (77) where the packages are missing.
#
# sway refuses to run as root: it runs as nobody with a runtime folder of its own, and every client
# (the program, grim, the portals, running as the test's user) reaches it through WAYLAND_DISPLAY set
# to the socket's full path, keeping a private XDG_RUNTIME_DIR of its own.

WL_SCREEN_W=1600
WL_SCREEN_H=1000
WL_USER=65534
WL_PIDS=()

# Every process of the desktop carries this in its environment (the bus passes it on to what it starts),
# so the clean-up finds them all.
wl_marked_pids() { grep -lsz "^PTT_E2E_MARK=$E2E_RUN\$" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3; }

wl_require()
{
    local p
    e2e_require sway swaymsg grim wtype wl-paste pipewire python3 dbus-daemon dbus-send setpriv compare identify \
        convert od
    for p in /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr /usr/libexec/xdg-desktop-portal-gtk; do
        [ -x "$p" ] || e2e_skip "$p is not installed"
    done
    compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null ||
        e2e_skip "Qt's Wayland platform plugin (qt6-wayland) is not installed"
    [ "$(id -u)" = 0 ] || e2e_skip "needs root to run the compositor as another user"
}

# wl_bg CMD... : start CMD in the background, tracked; its pid in WL_LAST.
wl_bg()
{
    env PTT_E2E_MARK="$E2E_RUN" "$@" &
    WL_LAST=$!
    WL_PIDS+=("$WL_LAST")
    e2e_track "$WL_LAST"
}

# wl_until SECONDS WHAT CMD... : poll CMD; fail naming WHAT when the time is up.
wl_until()
{
    local s=$1 what=$2
    shift 2
    e2e_wait_for "$s" "$@" || e2e_fail "$what within $s s"
}

wl_has_name() { dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.ListNames 2>/dev/null | grep -q "\"$1\""; }
wl_has_screenshot() { dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop \
    /org/freedesktop/portal/desktop org.freedesktop.DBus.Introspectable.Introspect 2>/dev/null |
    grep -q 'org.freedesktop.portal.Screenshot'; }

wl_start_desktop()
{
    wl_require
    # sway, as nobody, must reach its config, cursor theme and runtime folder.
    chmod 711 "$E2E_RUN"
    WL=$E2E_RUN/wl
    mkdir -m 755 "$WL"
    mkdir -m 700 "$WL/run"
    chown "$WL_USER:$WL_USER" "$WL/run"
    python3 "$HERE/wayland_tool.py" blank-cursor "$WL/icons" || e2e_fail "cannot write the cursor theme"
    chmod -R a+rX "$WL/icons"
    printf '%s\n' 'xwayland disable' \
        "output HEADLESS-1 resolution ${WL_SCREEN_W}x${WL_SCREEN_H} position 0 0 bg #336699 solid_color" \
        'default_border none' 'default_floating_border none' 'focus_follows_mouse no' \
        'seat seat0 xcursor_theme blank 24' >"$WL/sway.conf"
    chmod 644 "$WL/sway.conf"

    export XCURSOR_PATH=$WL/icons XCURSOR_THEME=blank XCURSOR_SIZE=24
    wl_bg env -i PATH=/usr/bin:/bin HOME="$WL/run" XDG_RUNTIME_DIR="$WL/run" WLR_BACKENDS=headless \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman XCURSOR_PATH="$XCURSOR_PATH" XCURSOR_THEME=blank \
        setpriv --reuid=$WL_USER --regid=$WL_USER --clear-groups -- \
        sway -c "$WL/sway.conf" >"$E2E_RUN/sway.log" 2>&1
    WL_SWAY_PID=$WL_LAST
    e2e_on_cleanup wl_stop_desktop
    sway_ready() { compgen -G "$WL/run/sway-ipc.*.sock" >/dev/null && compgen -G "$WL/run/wayland-[0-9]" >/dev/null; }
    e2e_wait_for 20 sway_ready || { cat "$E2E_RUN/sway.log" >&2; e2e_fail "sway did not start"; }
    export WAYLAND_DISPLAY SWAYSOCK
    WAYLAND_DISPLAY=$(compgen -G "$WL/run/wayland-[0-9]" | head -n1)
    SWAYSOCK=$(compgen -G "$WL/run/sway-ipc.*.sock" | head -n1)
    export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland GDK_BACKEND=wayland
    unset DISPLAY
    e2e_find_window() { wl_window "$1"; }

    local bus
    bus=$(env PTT_E2E_MARK="$E2E_RUN" dbus-daemon --session --fork --print-address=1 --print-pid=1) || e2e_fail "no session bus"
    export DBUS_SESSION_BUS_ADDRESS
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
    WL_BUS_PID=$(sed -n 2p <<<"$bus")
    e2e_track "$WL_BUS_PID"
    # The portal's order: PipeWire before -wlr (it exits without it), both back ends before the front end
    # (it looks for them once, at start).
    wl_bg pipewire >"$E2E_RUN/pipewire.log" 2>&1
    wl_until 20 "no PipeWire socket" test -S "$XDG_RUNTIME_DIR/pipewire-0"
    wl_bg /usr/libexec/xdg-desktop-portal-wlr >"$E2E_RUN/portal-wlr.log" 2>&1
    wl_bg /usr/libexec/xdg-desktop-portal-gtk >"$E2E_RUN/portal-gtk.log" 2>&1
    wl_until 20 "no wlr portal on the bus" wl_has_name org.freedesktop.impl.portal.desktop.wlr
    wl_until 20 "no gtk portal on the bus" wl_has_name org.freedesktop.impl.portal.desktop.gtk
    wl_bg /usr/libexec/xdg-desktop-portal >"$E2E_RUN/portal.log" 2>&1
    wl_until 30 "no screenshot portal" wl_has_screenshot

    # A headless sway has no input device: one keyboard for the whole run, and a virtual pointer.
    wl_bg wtype -s 4000000
    coproc WLPTR { exec python3 "$HERE/wayland_tool.py" pointer $WL_SCREEN_W $WL_SCREEN_H 2>"$E2E_RUN/pointer.log"; }
    WL_PIDS+=("$WLPTR_PID")
    e2e_track "$WLPTR_PID"
    wl_pointer move $((WL_SCREEN_W - 1)) $((WL_SCREEN_H - 1))
    e2e_log "sway desktop ready on $WAYLAND_DISPLAY"
}

wl_stop_desktop()
{
    local i pid
    e2e_stop_program
    for ((i = ${#WL_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${WL_PIDS[i]}" 2>/dev/null
    done
    [ -n "${WL_BUS_PID:-}" ] && kill "$WL_BUS_PID" 2>/dev/null
    for pid in "${WL_PIDS[@]}"; do
        e2e_reap "$pid" 30
    done
    # What the bus started on demand exits with it; the document portal's mount must be gone first.
    for i in $(seq 50); do
        [ -z "$(wl_marked_pids)" ] && break
        sleep 0.1
    done
    for pid in $(wl_marked_pids); do
        kill -KILL "$pid" 2>/dev/null
    done
    mountpoint -q "$XDG_RUNTIME_DIR/doc" 2>/dev/null && umount -l "$XDG_RUNTIME_DIR/doc"
    return 0
}

# Pointer: wl_pointer move X Y | down [BUTTON] | up [BUTTON], answered once sway has handled it.
wl_pointer()
{
    local ack
    printf '%s\n' "$*" >&"${WLPTR[1]}" || e2e_fail "the virtual pointer is gone (${*})"
    read -r -t 10 ack <&"${WLPTR[0]}" && [ "$ack" = ok ] || { cat "$E2E_RUN/pointer.log" >&2; e2e_fail "virtual pointer: $*"; }
}
wl_park() { wl_pointer move $((WL_SCREEN_W - 1)) $((WL_SCREEN_H - 1)); }

wl_click()
{
    wl_pointer move "$1" "$2"
    wl_pointer down "${3:-left}"
    sleep 0.05
    wl_pointer up "${3:-left}"
    sleep 0.45 # two clicks in one spot would make a double-click
}

# wl_drag X1 Y1 X2 Y2 [STEPS]
wl_drag()
{
    local x1=$1 y1=$2 x2=$3 y2=$4 steps=${5:-8} i
    wl_pointer move "$x1" "$y1"
    wl_pointer down
    for ((i = 1; i <= steps; i++)); do
        wl_pointer move $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps))
        sleep 0.03
    done
    wl_pointer up
    sleep 0.3
}

# Keys to the focused window: wl_key Down Return ; wl_type TEXT
wl_key()
{
    local args=() k
    for k in "$@"; do
        args+=(-k "$k" -s 30)
    done
    wtype "${args[@]}"
}
wl_type() { wtype -d 10 -- "$1"; }

# wl_window TITLE : "X Y W H" of the content of each window titled exactly TITLE (none, one or more lines).
# lib.sh's window helpers find windows through it once the desktop runs (e2e_wait_window_gone).
wl_window() { swaymsg -t get_tree 2>/dev/null | python3 "$HERE/wayland_tool.py" window "$1"; }

# wl_wait_window TITLE [SECONDS] : sets WX WY WW WH to the window's content on the screen.
wl_wait_window()
{
    local title=$1 deadline=$((SECONDS + ${2:-30})) geo
    while :; do
        geo=$(wl_window "$title" | tail -n1)
        if [ -n "$geo" ]; then
            read -r WX WY WW WH <<<"$geo"
            return 0
        fi
        if [ -n "$E2E_APP_PID" ] && ! e2e_app_running; then
            e2e_fail "the program ended while waiting for window \"$title\""
        fi
        if [ $SECONDS -ge $deadline ]; then
            wl_window "*" 2>&1 | sed 's/^/  window: /' >&2
            e2e_fail "no window \"$title\" within ${2:-30} s"
        fi
        sleep 0.1
    done
}

# wl_close TITLE : the close box (nothing binds a key to it here).
wl_close()
{
    local pattern
    pattern=$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|"]/\\&/g')
    swaymsg "[title=\"^${pattern}\$\"] kill" >/dev/null || e2e_fail "cannot close \"$1\""
}

wl_shot() { grim "$1" 2>/dev/null || e2e_fail "grim failed"; }

# wl_wait_pixel X Y "R G B" [SECONDS] : poll grim until the screen pixel has the colour.
wl_wait_pixel()
{
    local deadline=$((SECONDS + ${4:-10})) got
    while :; do
        wl_shot "$E2E_RUN/poll.png"
        got=$(e2e_pixel "$E2E_RUN/poll.png" "$1" "$2")
        [ "$got" = "$3" ] && return 0
        [ $SECONDS -lt $deadline ] || e2e_fail "screen pixel ($1,$2) is ($got), expected ($3)"
        sleep 0.1
    done
}

# wl_file_dialog TITLE PATH : in Qt's own file dialog, enter PATH and accept (the name field has the focus).
wl_file_dialog()
{
    wl_wait_window "$1" 20
    sleep 0.4
    wtype -M ctrl -k a -m ctrl
    wl_type "$2"
    sleep 0.2
    wl_key Return
    e2e_wait_window_gone "$1" 15
}

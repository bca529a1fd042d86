#!/bin/bash
# Builds the program if needed and starts it. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

# Without a display Qt aborts with a long plug-in message; say it in one line before building anything.
# A platform that needs no display (QT_QPA_PLATFORM=offscreen, vnc, ...) set by the user is let through.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    needs_display=1
    IFS=';' read -ra platforms <<<"${QT_QPA_PLATFORM:-}"
    for p in "${platforms[@]}"; do
        case $p in
        xcb* | wayland* | "") ;;
        *) needs_display=0 ;;
        esac
    done
    if [ "$needs_display" = 1 ]; then
        echo "run.sh: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; start it from a desktop session" >&2
        exit 1
    fi
fi

scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"${PTT_JOBS:-$(nproc)}"
exec build/src/pintietong "$@"

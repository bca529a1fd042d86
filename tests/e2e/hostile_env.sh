#!/bin/bash
# Runs a command in the environment a careless caller might leave behind: another Qt platform, displays
# that do not exist, missing XDG folders and HOME, a desktop's settings, a foreign locale, a program
# folder that is not there. Every end-to-end test must pass in it all the same.
# Usage: hostile_env.sh COMMAND...   (e.g. tests/e2e/hostile_env.sh ctest --test-dir build -L e2e)
export QT_QPA_PLATFORM=offscreen QT_QPA_PLATFORMTHEME=gtk3 QT_STYLE_OVERRIDE=windows QT_SCALE_FACTOR=2 \
    QT_FONT_DPI=192 QT_FATAL_WARNINGS=1 \
    DISPLAY=:999 WAYLAND_DISPLAY=bogus XAUTHORITY=/nonexistent/Xauthority \
    XDG_RUNTIME_DIR=/nonexistent XDG_CONFIG_HOME=/nonexistent/config XDG_DATA_HOME=/nonexistent/data \
    XDG_CACHE_HOME=/nonexistent/cache XDG_STATE_HOME=/nonexistent/state XDG_CONFIG_DIRS=/nonexistent \
    XDG_DATA_DIRS=/nonexistent XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland \
    LANG=tr_TR.UTF-8 LC_ALL=tr_TR.UTF-8 LANGUAGE=tr \
    HOME=/nonexistent TMPDIR=/nonexistent PTT_APPDIR=/nonexistent PTT_HELP_DIR=/nonexistent \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent SESSION_MANAGER=local/nonexistent
exec "$@"

#!/bin/bash
# "帮助" > "关于澄岭" hands the shipped help page to the desktop's opener (xdg-open, replaced here by a
# recorder). With a build folder as second argument the program is first installed under a temporary
# prefix and the installed copy is run, so the help page must be found under share/. Ends with 文件 > 退出.
# Usage: about_test.sh PROGRAM [BUILD_DIR]
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"

PROGRAM=${1:?usage: about_test.sh PROGRAM [BUILD_DIR]}
BUILD_DIR=${2:-}
TITLE="澄岭拼贴通4.6版"
HELP_SRC=$HERE/../../resources/help/index.html

e2e_init
e2e_require cmp

if [ -n "$BUILD_DIR" ]; then
    e2e_require cmake
    PREFIX=$E2E_RUN/prefix
    cmake --install "$BUILD_DIR" --prefix "$PREFIX" >"$E2E_RUN/install.log" 2>&1 ||
        { cat "$E2E_RUN/install.log" >&2; e2e_fail "cmake --install failed"; }
    for f in bin/pintietong share/pintietong/help/index.html share/applications/pintietong.desktop \
        share/icons/hicolor/32x32/apps/pintietong.png share/doc/pintietong/copyright share/doc/pintietong/README.md; do
        [ -e "$PREFIX/$f" ] || e2e_fail "not installed: $f"
    done
    PROGRAM=$PREFIX/bin/pintietong
    EXPECTED_HELP=$PREFIX/share/pintietong/help/index.html
else
    EXPECTED_HELP=$(dirname "$PROGRAM")/help/index.html
fi
cmp -s "$EXPECTED_HELP" "$HELP_SRC" || e2e_fail "$EXPECTED_HELP is not the shipped help page"

# Whatever the program asks the desktop to open lands in a file instead of a browser.
mkdir -p "$E2E_RUN/bin"
OPENED=$E2E_RUN/opened
cat >"$E2E_RUN/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$@" >>"$OPENED"
EOF
chmod +x "$E2E_RUN/bin/xdg-open"
export PATH=$E2E_RUN/bin:$PATH

e2e_start_display
e2e_start_program "$PROGRAM"
WID=$(e2e_wait_window "$TITLE" 60)
e2e_wait_maximized "$WID"
e2e_geometry "$WID"
sleep 0.5

# The first entry under "帮助" only shows its caption: choosing it opens nothing.
HELP_MENU_X=$((GEO_X + 98))
MENU_Y=$((GEO_Y + 8))
e2e_click "$HELP_MENU_X" "$MENU_Y"
e2e_key Down Return
sleep 2
[ ! -e "$OPENED" ] || e2e_fail "操作指导 opened something: $(cat "$OPENED")"
e2e_app_running || e2e_fail "the program ended"

e2e_click "$HELP_MENU_X" "$MENU_Y"
e2e_key Down Down Return
deadline=$((SECONDS + 20))
until [ -s "$OPENED" ]; do
    [ $SECONDS -lt $deadline ] || e2e_fail "关于澄岭 opened nothing"
    sleep 0.2
done
url=$(head -n1 "$OPENED")
e2e_log "opened $url"
want="file://$(cd "$(dirname "$EXPECTED_HELP")" && pwd -P)/index.html"
e2e_assert_eq "$url" "$want" "address handed to the browser"
e2e_app_running || e2e_fail "the program ended"

# "文件" > "退出" closes the main window at once, with no question, and with it the program.
e2e_click $((GEO_X + 22)) "$MENU_Y"
e2e_key Down Down Down Down Down Return
deadline=$((SECONDS + 15))
while e2e_app_running; do
    [ $SECONDS -lt $deadline ] || e2e_fail "the program is still running after 退出"
    sleep 0.1
done
wait "$E2E_APP_PID"
status=$?
E2E_APP_PID=""
e2e_assert_eq "$status" 0 "exit status after 退出"
echo "PASS"

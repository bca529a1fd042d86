#!/bin/bash
# The program's command line answered on the terminal with no display at all: --version, --help, Qt's own
# options accepted, unknown options and commands refused with exit code 2; `render` pages written, and
# its failures told in one line naming the file (exit code 1) with no file left behind.
# Usage: commandline_test.sh PROGRAM VERSION
set -u
PROGRAM=${1:?usage: commandline_test.sh PROGRAM VERSION}
VERSION=${2:?usage: commandline_test.sh PROGRAM VERSION}
W=$(mktemp -d "${TMPDIR:-/tmp}/ptt-cli-test.XXXXXX") || exit 1
trap 'rm -rf "$W"' EXIT
FAILURES=0
mkdir "$W/afolder"
echo "not a picture" >"$W/text.jpg"
# A background, a foreground, a position file naming it and a missing one, and a map of 5 x 4 cells.
env -i PATH="$PATH" HOME="$W" "$PROGRAM" render tile --unit px --width 300 --height 200 -o "$W/bg.bmp"
env -i PATH="$PATH" HOME="$W" "$PROGRAM" render tile --unit px --width 60 --height 40 --sample 2 -o "$W/fg.bmp"
printf '"%s",1500,750,1500,1500\r\n"%s",3000,750,900,900\r\n' "$W/fg.bmp" "$W/gone.bmp" >"$W/wall.pos"
printf '\001\000\002\000\003\000\000\000\012\000' >"$W/small.map"

# Each row: exit code | what stdout holds ("" for nothing) | what stderr holds | environment | arguments.
# The environment has no display; the rows that name one point at a display that does not exist.
while IFS='|' read -r code out err envs args; do
    [ -n "$code" ] || continue
    # shellcheck disable=SC2086 # the environment and arguments are word lists
    env -i PATH="$PATH" HOME="$W" $envs "$PROGRAM" $args >"$W/out" 2>"$W/err"
    rc=$?
    got_out=$(cat "$W/out")
    got_err=$(cat "$W/err")
    problem=""
    [ "$rc" = "$code" ] || problem="exit code $rc, expected $code"
    if [ -z "$out" ]; then
        [ -z "$got_out" ] || problem+="; unexpected stdout"
    else
        grep -qF -- "$out" <<<"$got_out" || problem+="; stdout lacks '$out'"
    fi
    if [ -z "$err" ]; then
        [ -z "$got_err" ] || problem+="; unexpected stderr"
    else
        grep -qF -- "$err" <<<"$got_err" || problem+="; stderr lacks '$err'"
    fi
    if [ "$code" = 1 ] && [ "$(wc -l <"$W/err")" != 1 ]; then
        problem+="; stderr is not one line"
    fi
    if [ -n "$problem" ]; then
        printf 'FAIL [%s] [%s]: %s\n  stdout: %s\n  stderr: %s\n' "$envs" "$args" "${problem#; }" "$got_out" "$got_err"
        FAILURES=$((FAILURES + 1))
    fi
done <<EOF_ROWS
0|pintietong $VERSION||| --version
0|pintietong $VERSION||| -v
0|pintietong $VERSION||QT_QPA_PLATFORM=xcb DISPLAY=:999 WAYLAND_DISPLAY=bogus| --version
0|--version||| --help
0|Usage:||| -h
0|--help||| --help-all
0|pintietong $VERSION||| -platform offscreen -style fusion --version
2||'bogus'|| --bogus
2||--help|| --bogus
2||unknown command 'frobnicate'|| frobnicate
2||unknown command 'frobnicate'|| frobnicate --its-own-option
0|Usage:||| render --help
0|--stamp||| render tile --help
0|pintietong $VERSION||| render tile --version
0|||| render tile --width 1500 --height 1500 -o $W/ok.bmp
0|||| render tile --unit px --width 7 --height 5 --sample 12 --quiet -o $W/ok.png
2||render needs tile, board or map|| render
2||unknown page kind 'poster'|| render poster -o $W/fail.bmp
2||'bogus'|| render tile --bogus --width 1 --height 1 -o $W/fail.bmp
2||--height is required|| render tile --width 1500 -o $W/fail.bmp
2||-o FILE is required|| render tile --width 1500 --height 1500
2||--width must be a number greater than 0|| render tile --width -5 --height 1500 -o $W/fail.bmp
2||--width must be a number greater than 0|| render tile --width 2.5 --unit px --height 15 -o $W/fail.bmp
2||--unit must be twip or px|| render tile --unit cm --width 1 --height 1 -o $W/fail.bmp
2||--sample must be 1 to 12, not '13'|| render tile --width 1500 --height 1500 --sample 13 -o $W/fail.bmp
2||exclude each other|| render tile --width 1500 --height 1500 --sample 2 --pattern $W/text.jpg -o $W/fail.bmp
2||a stamp needs x=, y= and text=|| render tile --width 1500 --height 1500 --stamp x=1,text=hi -o $W/fail.bmp
2||bad stamp value size=0|| render tile --width 1500 --height 1500 --stamp x=1,y=1,size=0,text=hi -o $W/fail.bmp
2||unknown stamp key 'colr'|| render tile --width 1500 --height 1500 --stamp x=1,y=1,colr=red,text=hi -o $W/fail.bmp
2||unexpected argument 'extra'|| render tile --width 1500 --height 1500 -o $W/fail.bmp extra
1||$W/missing.png: 找不到文件|| render tile --width 1500 --height 1500 --pattern $W/missing.png -o $W/fail.bmp
1||$W/text.jpg: 这不是可以读取的图片文件|| render tile --width 1500 --height 1500 --pattern $W/text.jpg -o $W/fail.bmp
1||$W/nowhere/fail.bmp: 文件夹不存在|| render tile --width 1500 --height 1500 -o $W/nowhere/fail.bmp
1||$W/afolder: 该位置已有同名的文件夹|| render tile --width 1500 --height 1500 -o $W/afolder
1||$W/fail.bmp: 页面太大（40000 × 40000 像素）|| render tile --unit px --width 40000 --height 40000 -o $W/fail.bmp
1||$W/fail.png: page too large for PNG|| render tile --unit px --width 40000 --height 40000 -o $W/fail.png
0||$W/gone.bmp|| render board --positions $W/wall.pos --background $W/bg.bmp -o $W/board.bmp
1||$W/nothere.bmp|| render board --positions $W/wall.pos --background $W/nothere.bmp -o $W/fail.bmp
1||$W/nothere.pos|| render board --positions $W/nothere.pos --background $W/bg.bmp -o $W/fail.bmp
2||--positions FILE is required|| render board --background $W/bg.bmp -o $W/fail.bmp
0|||| render map --map $W/small.map --columns 5 --rows 4 -o $W/map.bmp
1||$W/nothere.map|| render map --map $W/nothere.map --columns 5 --rows 4 -o $W/fail.bmp
1||$W/text.jpg|| render map --map $W/small.map --columns 5 --rows 4 --pictures $W/text.jpg,2,3,4,5,6,7,8,9,10 -o $W/fail.bmp
2||--columns must be a whole number greater than 0, not '0'|| render map --map $W/small.map --columns 0 --rows 4 -o $W/fail.bmp
2||--pictures needs ten file names|| render map --map $W/small.map --columns 2 --rows 2 --pictures a,b -o $W/fail.bmp
EOF_ROWS

# The pages asked for are there; a failure leaves neither its file nor a temporary one.
[ "$(head -c 2 "$W/ok.bmp")" = BM ] || { echo "FAIL: render tile wrote no BMP file"; FAILURES=$((FAILURES + 1)); }
[ "$(head -c 4 "$W/ok.png" | tail -c 3)" = PNG ] || { echo "FAIL: render tile wrote no PNG file"; FAILURES=$((FAILURES + 1)); }
for page in board map; do
    [ "$(head -c 2 "$W/$page.bmp")" = BM ] || { echo "FAIL: render $page wrote no BMP file"; FAILURES=$((FAILURES + 1)); }
done
left=$(find "$W" -maxdepth 2 -name 'fail*')
[ -z "$left" ] || { echo "FAIL: files left behind: $left"; FAILURES=$((FAILURES + 1)); }

# The version line is the whole of stdout.
out=$(env -i PATH="$PATH" HOME="$W" "$PROGRAM" --version)
[ "$out" = "pintietong $VERSION" ] || { echo "FAIL: --version printed '$out'"; FAILURES=$((FAILURES + 1)); }

if [ "$FAILURES" -gt 0 ]; then
    echo "$FAILURES cases failed"
    exit 1
fi
echo PASS

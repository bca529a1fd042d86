#!/bin/bash
# The program's command line answered on the terminal with no display at all: --version, --help, Qt's own
# options accepted, unknown options and commands refused with exit code 2.
# Usage: commandline_test.sh PROGRAM VERSION
set -u
PROGRAM=${1:?usage: commandline_test.sh PROGRAM VERSION}
VERSION=${2:?usage: commandline_test.sh PROGRAM VERSION}
W=$(mktemp -d "${TMPDIR:-/tmp}/ptt-cli-test.XXXXXX") || exit 1
trap 'rm -rf "$W"' EXIT
FAILURES=0

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
EOF_ROWS

# The version line is the whole of stdout.
out=$(env -i PATH="$PATH" HOME="$W" "$PROGRAM" --version)
[ "$out" = "pintietong $VERSION" ] || { echo "FAIL: --version printed '$out'"; FAILURES=$((FAILURES + 1)); }

if [ "$FAILURES" -gt 0 ]; then
    echo "$FAILURES cases failed"
    exit 1
fi
echo PASS

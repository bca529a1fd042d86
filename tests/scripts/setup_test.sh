#!/bin/bash
# scripts/setup.sh from every starting point, with stand-ins for dpkg-query, apt-get, sudo and id (in
# fakes/) that log their calls: nothing installed, partly installed, everything installed, not root with
# and without sudo, not Debian, apt-get failing. Checks the calls made, the messages and the exit code.
# Then scripts/run.sh (beside it) without a display.
# Usage: setup_test.sh SETUP_SCRIPT
set -u
SETUP=${1:?usage: setup_test.sh SETUP_SCRIPT}
SCRIPT=$SETUP
FAKES=$(cd "$(dirname "$0")/fakes" && pwd)
W=$(mktemp -d "${TMPDIR:-/tmp}/ptt-setup-test.XXXXXX") || exit 1
trap 'rm -rf "$W"' EXIT
FAILURES=0

# The only tools on PATH besides the stand-ins, so the machine's real ones are never reached.
mkdir -p "$W/tools"
for t in env cat sed grep awk tr sort head tail cut wc mkdir rm dirname basename; do
    p=$(command -v "$t") && ln -s "$p" "$W/tools/$t"
done

# run CASE UID STAND-INS [VAR=VALUE...] : runs $SCRIPT with the named stand-ins on PATH, the package
# database in $W/CASE.db (create it first), leaving RC, OUT, ERR and LOG (the stand-ins' calls).
run()
{
    local name=$1 uid=$2 fakes=$3 s
    shift 3
    report_case
    mkdir -p "$W/$name/bin"
    for s in $fakes; do
        ln -sf "$FAKES/$s" "$W/$name/bin/$s"
    done
    touch "$W/$name.db"
    : >"$W/$name.log"
    env -i PATH="$W/$name/bin:$W/tools" LC_ALL=C FAKE_LOG="$W/$name.log" FAKE_DB="$W/$name.db" FAKE_UID="$uid" \
        "$@" /bin/bash "$SCRIPT" >"$W/$name.out" 2>"$W/$name.err"
    RC=$?
    OUT=$(cat "$W/$name.out")
    ERR=$(cat "$W/$name.err")
    LOG=$(cat "$W/$name.log")
    CASE=$name
}

check()
{
    local what=$1
    shift
    if ! "$@"; then
        printf 'FAIL [%s] %s\n' "$CASE" "$what" >&2
        FAILURES=$((FAILURES + 1))
        CASE_FAILED=1
    fi
}

# What the finished case did, shown once when one of its checks failed.
report_case()
{
    [ -n "${CASE_FAILED:-}" ] || return 0
    printf '  [%s] exit code %s\n  stdout: %s\n  stderr: %s\n  calls:\n%s\n' "$CASE" "$RC" "$OUT" "$ERR" \
        "$(sed 's/^/    /' <<<"$LOG")" >&2
    CASE_FAILED=
}

has() { grep -qF -- "$2" <<<"$1"; }
lacks() { ! grep -qF -- "$2" <<<"$1"; }
one_line() { [ -n "$1" ] && [ "$(wc -l <<<"$1")" -eq 1 ]; }
apt_calls() { grep '^apt-get ' <<<"$LOG"; }
# The packages of the apt-get install call, one a line.
listed() { printf '%s\n' "${ALL[@]}" | grep -qxF -- "$1"; }
installed_list() { apt_calls | sed -n 's/.* install -y --no-install-recommends //p' | tr ' ' '\n'; }

ALL_STAND_INS="dpkg-query apt-get sudo id"

# Nothing installed, as root: one update, one install of every package, no sudo.
run nothing 0 "$ALL_STAND_INS"
check "exits 0" [ "$RC" -eq 0 ]
check "no sudo as root" lacks "$LOG" "sudo "
check "update, then install" [ "$(apt_calls | cut -d' ' -f4)" = "$(printf 'update\ninstall')" ]
check "apt-get as root, non-interactive" [ "$(apt_calls | grep -c 'uid=0 frontend=noninteractive ')" -eq 2 ]
mapfile -t ALL < <(installed_list)
for p in cmake g++ qt6-base-dev xvfb qt6-wayland dbus-daemon sway xdg-desktop-portal-wlr fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei fonts-symbola fonts-urw-base35 dpkg-dev lintian \
    desktop-file-utils; do
    check "installs $p" listed "$p"
done
check "names what it installs" has "$OUT" "${ALL[*]}"
if [ ${#ALL[@]} -lt 2 ]; then
    report_case
    echo "FAIL: no package list from the first run; the other cases need it" >&2
    exit 1
fi

# Everything installed: the database the first run left behind. No apt-get, no sudo, success.
cp "$W/nothing.db" "$W/everything.db"
run everything 0 "$ALL_STAND_INS"
check "exits 0" [ "$RC" -eq 0 ]
check "no apt-get call" lacks "$LOG" "apt-get"
check "no sudo call" lacks "$LOG" "sudo"

# Partly installed: the first half installed, one of the rest removed with its configuration kept
# (dpkg still knows it) and the others unknown. Only the rest is installed, in the list's order.
HALF=$((${#ALL[@]} / 2))
printf '%s installed\n' "${ALL[@]:0:HALF}" >"$W/partly.db"
echo "${ALL[HALF]} config-files" >>"$W/partly.db"
run partly 0 "$ALL_STAND_INS"
check "exits 0" [ "$RC" -eq 0 ]
check "installs only the missing ones" [ "$(installed_list | tr '\n' ' ')" = "$(printf '%s ' "${ALL[@]:HALF}")" ]
check "names what it installs" has "$OUT" "${ALL[*]:HALF}"

# Not root, with sudo: both apt-get calls through sudo.
run sudo 1000 "$ALL_STAND_INS"
check "exits 0" [ "$RC" -eq 0 ]
check "two sudo calls" [ "$(grep -c '^sudo .*apt-get' <<<"$LOG")" -eq 2 ]
check "apt-get as root, non-interactive" [ "$(apt_calls | grep -c 'uid=0 frontend=noninteractive ')" -eq 2 ]
check "installs everything" [ "$(installed_list | tr '\n' ' ')" = "$(printf '%s ' "${ALL[@]}")" ]

# Not root and no sudo: one line saying so, no apt-get.
run nosudo 1000 "dpkg-query apt-get id"
check "exits non-zero" [ "$RC" -ne 0 ]
check "one line on stderr" one_line "$ERR"
check "names the cause" has "$ERR" "not root and no sudo"
check "no apt-get call" lacks "$LOG" "apt-get"

# Not Debian: no dpkg-query.
run notdebian 0 "apt-get sudo id"
check "exits non-zero" [ "$RC" -ne 0 ]
check "one line on stderr" one_line "$ERR"
check "names the cause" has "$ERR" "not a Debian system"
check "no apt-get call" lacks "$LOG" "apt-get"

# apt-get failing: its exit code named, nothing said to be installed.
run updatefails 0 "$ALL_STAND_INS" FAKE_APT_UPDATE_RC=100
check "exits non-zero" [ "$RC" -ne 0 ]
check "one line on stderr" one_line "$ERR"
check "names the step and its exit code" has "$ERR" "apt-get update failed with exit code 100"
check "no install after a failed update" lacks "$LOG" " install "
run installfails 0 "$ALL_STAND_INS" FAKE_APT_INSTALL_RC=100
check "exits non-zero" [ "$RC" -ne 0 ]
check "one line on stderr" one_line "$ERR"
check "names the step and its exit code" has "$ERR" "apt-get install failed with exit code 100"
check "does not claim success" lacks "$OUT" "setup.sh: installed"

# run.sh with no display says so in one line, before set-up or build (no cmake on PATH here either).
SCRIPT=$(dirname "$SETUP")/run.sh
run nodisplay 0 "$ALL_STAND_INS"
check "exits non-zero" [ "$RC" -ne 0 ]
check "one line on stderr" one_line "$ERR"
check "names the cause" has "$ERR" "no display"
check "neither set-up nor build" [ -z "$LOG" ]
# A platform that needs no display, asked for by the user, goes on to the set-up.
cp "$W/nothing.db" "$W/offscreen.db"
run offscreen 0 "$ALL_STAND_INS" QT_QPA_PLATFORM=offscreen
check "goes on to the set-up" has "$LOG" "dpkg-query"
check "no display message" lacks "$ERR" "no display"

report_case
if [ "$FAILURES" -gt 0 ]; then
    echo "$FAILURES checks failed"
    exit 1
fi
echo PASS

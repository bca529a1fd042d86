#!/bin/bash
# Installs the build, test, run and packaging dependencies on Debian 12: only what is missing, and it
# says which. Every failure is one line on stderr naming the cause, and a non-zero exit.
set -uo pipefail

PACKAGES=(
    cmake g++ make
    qt6-base-dev qt6-qpa-plugins libqt6printsupport6 libgl-dev qt6-translations-l10n
    fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei fonts-symbola fonts-urw-base35
    xvfb xauth xdotool openbox x11-utils xclip imagemagick dbus-x11
    qt6-wayland dbus-daemon
    sway grim wtype wl-clipboard pipewire xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk python3
    cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
    clang libclang-rt-14-dev clang-format
    dpkg-dev file lintian desktop-file-utils
)

fail()
{
    echo "setup.sh: $*" >&2
    exit 1
}

command -v dpkg-query >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1 ||
    fail "not a Debian system (no dpkg-query or apt-get); install by hand: ${PACKAGES[*]}"

# dpkg-query exits 1 when it knows nothing of some of the packages (never installed): that only means
# they are missing. Anything above 1 is dpkg-query itself failing.
status=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null)
rc=$?
[ "$rc" -le 1 ] || fail "dpkg-query failed with exit code $rc"

declare -A installed=()
while read -r name state; do
    [ "$state" = installed ] && installed[$name]=1
done <<<"$status"
missing=()
for p in "${PACKAGES[@]}"; do
    [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup.sh: all ${#PACKAGES[@]} packages are installed"
    exit 0
fi

SUDO=()
if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null 2>&1 || fail "not root and no sudo; as root run: apt-get install ${missing[*]}"
    SUDO=(sudo)
fi

echo "setup.sh: installing what is missing: ${missing[*]}"
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
rc=$?
[ "$rc" -eq 0 ] || fail "apt-get update failed with exit code $rc"
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
rc=$?
[ "$rc" -eq 0 ] || fail "apt-get install failed with exit code $rc"
echo "setup.sh: installed ${missing[*]}"

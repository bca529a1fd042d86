#!/bin/bash
# Installs the build, test and run dependencies on Debian 12 (only what is missing).
set -euo pipefail

PACKAGES=(
    cmake g++ make
    qt6-base-dev qt6-qpa-plugins libqt6printsupport6 libgl-dev qt6-translations-l10n
    fonts-arphic-uming fonts-arphic-ukai fonts-wqy-zenhei
    xvfb xauth xdotool openbox x11-utils xclip imagemagick dbus-x11
    cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
    clang libclang-rt-14-dev
)

command -v dpkg-query >/dev/null || { echo "setup.sh: this is not a Debian system; install by hand: ${PACKAGES[*]}" >&2; exit 1; }

installed=$(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "${PACKAGES[@]}" 2>/dev/null | awk '$2 == "installed" {print $1}')
missing=()
for p in "${PACKAGES[@]}"; do
    grep -qxF "$p" <<<"$installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "setup.sh: installing ${missing[*]}"
SUDO=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup.sh: not root and no sudo; install: ${missing[*]}" >&2; exit 1; }
    SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"

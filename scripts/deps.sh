#!/usr/bin/env bash
# Installs the Debian 12 packages VAZUV needs to build, run and test; only what is missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build ccache pkg-config
      qtbase5-dev qttools5-dev qttools5-dev-tools libqt5serialport5-dev libqt5charts5-dev
      qtconnectivity5-dev libqt5sql5-sqlite libqt5svg5
      libxlsxwriter-dev libsqlite3-dev sqlite3 libmodbus-dev fonts-wqy-microhei
      qttranslations5-l10n xdg-utils)
if [ "${1:-}" = "--test" ]; then
  pkgs+=(socat python3 python3-aiosmtpd python3-openpyxl poppler-utils openssl xauth dbus-daemon xvfb)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

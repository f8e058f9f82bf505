#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
#   scripts/setup.sh [EXTRA_PACKAGE...]
set -euo pipefail
packages=(cmake make g++ gcc pkg-config libgtest-dev libbenchmark-dev qt6-base-dev qt6-tools-dev qt6-l10n-tools fonts-dejavu-core
  libzip-dev libexpat1-dev libsqlite3-dev sqlite3 qt6-qpa-plugins xvfb xauth
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc postgresql-15 postgresql-client-15 libpq-dev
  postgresql-server-dev-15 libshp-dev mariadb-server libmariadb-dev
  libreoffice-core-nogui libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui
  python3-uno libreoffice-script-provider-python libreoffice-dev hunspell-vi
  python3-dev pybind11-dev python3-pytest
  scdoc dpkg-dev file man-db desktop-file-utils gettext
  emscripten chromium chromium-driver python3-selenium
  "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "need root or sudo to install ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

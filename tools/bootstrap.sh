#!/usr/bin/env bash
# Installs, by name, every Debian package the build, the program and the tests need.
# Runs apt-get update only when something is missing; does nothing when all is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config ninja-build
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev xvfb xauth
  sqlite3 libsqlite3-dev
  unixodbc unixodbc-dev odbc-postgresql libsqliteodbc
  postgresql postgresql-client
  proj-bin proj-data gdal-bin
  libgeographiclib-dev
  famfamfam-flag-png iso-codes
  libcli11-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

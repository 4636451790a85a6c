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
  # benchmark peers (bench/table): pyproj and PostGIS
  python3-pyproj postgresql-15-postgis-3
  proj-bin proj-data gdal-bin libgdal-dev
  libgeographiclib-dev
  famfamfam-flag-png iso-codes
  libcli11-dev
  libtiff-dev
  # the stream benchmark's peak memory
  time
  # packaging: manual page, icon rendering, validators and package checks
  help2man desktop-file-utils appstream lintian librsvg2-bin dpkg-dev file
)

# --- database layer: ODBC drivers ---
# The Debian packages register their drivers with odbcinst when they are
# installed; this puts back a registration that has gone missing.
register_odbc_drivers() {
  command -v odbcinst >/dev/null 2>&1 || return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if ! odbcinst -q -d -n SQLite3 >/dev/null 2>&1 && [ -f /usr/share/sqliteodbc/unixodbc.ini ]; then
    echo "bootstrap: registering the SQLite ODBC drivers"
    $sudo odbcinst -i -d -f /usr/share/sqliteodbc/unixodbc.ini >/dev/null
  fi
  if ! odbcinst -q -d -n "PostgreSQL ANSI" >/dev/null 2>&1 && [ -f /usr/share/psqlodbc/odbcinst.ini.template ]; then
    echo "bootstrap: registering the PostgreSQL ODBC drivers"
    $sudo odbcinst -i -d -f /usr/share/psqlodbc/odbcinst.ini.template >/dev/null
  fi
}
# --- end of database layer: ODBC drivers ---

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  register_odbc_drivers
  exit 0
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "bootstrap: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
register_odbc_drivers

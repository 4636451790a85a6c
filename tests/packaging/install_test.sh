#!/usr/bin/env bash
# Installs the build tree into a temporary prefix with cmake --install and runs the
# installed programs there: they must find the program root beside their own folder.
. "$(dirname "$0")/common.sh"
install_prefix

for f in bin/geolynx-cli lib/geolynx/modules/libgeolynx-vector.so share/geolynx/catalogue.db share/geolynx/Flags/world.png; do
  [ -f "$prefix/$f" ] || fail "not installed: $f"
done
ls "$prefix"/share/geolynx/Data/*.gsb >/dev/null 2>&1 || fail "no shift grids in share/geolynx/Data"

# --- the installed command line ---
# Expected value from PROJ 9.1.1:
#   echo 52 5 | cs2cs -f %.4f EPSG:4326 EPSG:32631   ->   637294.3659  5762926.8129 0.0000
home=$(private_home cli)
if out=$(run_home "$home" "$prefix/bin/geolynx-cli" convert --from 4326 --to 32631 5 52 2>"$scratch/cli.err"); then
  if ! awk -v line="$out" 'BEGIN { n = split(line, v, " ")
         d1 = v[1] - 637294.3659; d2 = v[2] - 5762926.8129; d3 = v[3]
         exit !(n == 3 && d1 * d1 < 1e-8 && d2 * d2 < 1e-8 && d3 * d3 < 1e-8) }'; then
    fail "installed geolynx-cli printed \"$out\", cs2cs gives 637294.3659 5762926.8129 0.0000"
  fi
else
  fail "installed geolynx-cli failed: $(cat "$scratch/cli.err")"
fi
# Its first use made the user's catalogue from the installed one.
cmp -s "$home/.local/share/Veltrix/Geolynx/catalogue.db" "$prefix/share/geolynx/catalogue.db" ||
  fail "the user's catalogue is not a copy of the installed share/geolynx/catalogue.db"

# The same program in a prefix without share/geolynx has no catalogue: the root is
# found beside the executable, not in the build tree.
mkdir -p "$scratch/bare/bin"
cp "$prefix/bin/geolynx-cli" "$scratch/bare/bin/"
home=$(private_home bare)
if run_home "$home" "$scratch/bare/bin/geolynx-cli" convert --from 4326 --to 32631 5 52 >/dev/null 2>&1; then
  fail "geolynx-cli without a program root beside it still converted"
fi
[ ! -e "$home/.local/share/Veltrix/Geolynx/catalogue.db" ] ||
  fail "geolynx-cli without a program root left a catalogue in the user's folder"

# --- the installed window ---
if [ ! -x "$prefix/bin/geolynx" ]; then
  fail "bin/geolynx is not installed"
else
  # The window reads the catalogue when it opens on a saved state naming a datum and a
  # grid; a first start with no state would not open it. current.glx is one 72-byte
  # record: source datum 4326, destination datum 4326, source grid 0, destination grid
  # 32631, display modes 1 and 0, six zero coordinates (int32 and double, little-endian).
  home=$(private_home gui)
  mkdir -p "$home/.local/state/Veltrix/Geolynx"
  { printf '\xe6\x10\x00\x00\xe6\x10\x00\x00\x00\x00\x00\x00\x77\x7f\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    head -c 48 /dev/zero; } > "$home/.local/state/Veltrix/Geolynx/current.glx"
  run_home "$home" env QT_QPA_PLATFORM=offscreen "$prefix/bin/geolynx" > "$scratch/gui.log" 2>&1 &
  gui=$!
  catalogue=$home/.local/share/Veltrix/Geolynx/catalogue.db
  # The copy appears whole: it is written aside and linked into place.
  for _ in $(seq 1 240); do
    [ -s "$catalogue" ] && break
    kill -0 "$gui" 2>/dev/null || break
    sleep 0.25
  done
  if kill -0 "$gui" 2>/dev/null; then
    kill "$gui"
    wait "$gui" 2>/dev/null || true
  else
    wait "$gui" 2>/dev/null || true
    fail "the installed geolynx ended on its own: $(cat "$scratch/gui.log")"
  fi
  cmp -s "$catalogue" "$prefix/share/geolynx/catalogue.db" ||
    fail "the installed geolynx did not open its catalogue (no copy of share/geolynx/catalogue.db in the user's folder)"
fi
finish

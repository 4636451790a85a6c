#!/usr/bin/env bash
# Builds the Debian package from the built tree with CPack (nothing is recompiled:
# cpack only runs the install rules) and inspects it with dpkg-deb and lintian.
# Usage: package_test.sh BUILD-DIR SOURCE-DIR SANITIZED(ON/OFF)
. "$(dirname "$0")/common.sh"
case ${3:-OFF} in
  ON|on|TRUE|true|1) skip "a package is made from the normal build; this build carries the sanitizers" ;;
esac
need cpack
need dpkg-deb
need dpkg-shlibdeps
need file

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made ${#debs[@]} packages" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

# --- contents ---
dpkg-deb -c "$deb" > "$scratch/contents"
for f in usr/bin/geolynx usr/bin/geolynx-cli usr/lib/geolynx/modules/libgeolynx-vector.so \
         usr/share/geolynx/catalogue.db usr/share/geolynx/Flags/world.png \
         usr/share/applications/com.veltrix.Geolynx.desktop \
         usr/share/metainfo/com.veltrix.Geolynx.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/com.veltrix.Geolynx.svg \
         usr/share/icons/hicolor/48x48/apps/com.veltrix.Geolynx.png \
         usr/share/man/man1/geolynx-cli.1.gz usr/share/man/man1/geolynx.1.gz \
         usr/share/bash-completion/completions/geolynx-cli \
         usr/share/doc/geolynx/copyright usr/share/doc/geolynx/changelog.gz; do
  grep -q " \./$f\$" "$scratch/contents" || fail "the package lacks /$f"
done
grep -qE ' \./usr/share/geolynx/Data/[^/]+\.gsb$' "$scratch/contents" || fail "the package has no shift grids"
awk '$2 != "root/root"' "$scratch/contents" | grep . && fail "files not owned by root/root (above)"
grep -E ' \./usr/(bin|share/geolynx)/.*\.(a|o|cmake|h)$' "$scratch/contents" && fail "build products in the package (above)"

# --- control fields ---
dpkg-deb -I "$deb" > "$scratch/info"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# From dpkg-shlibdeps: the libraries the programs link.
names=" $(sed 's/ *([^)]*)//g; s/,/ /g' <<<"$depends") "
for lib in libc6 libstdc++6 libqt6widgets6 libqt6core6 libsqlite3-0 libodbc2; do
  [[ $names == *" $lib "* ]] || fail "Depends does not list $lib"
done
# Loaded by Qt at run time, so no library names it.
[[ $names == *" qt6-qpa-plugins "* ]] || fail "Depends does not list qt6-qpa-plugins"
[[ $names == *" proj-data "* ]] && fail "Depends lists proj-data, whose grids ship in the program root"
[ "$(dpkg-deb -f "$deb" Package)" = geolynx ] || fail "the package is not named geolynx"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "the package has no version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong architecture"

# --- no trace of the machine it was built on ---
mkdir "$scratch/root"
dpkg-deb -x "$deb" "$scratch/root"
for path in "$build" "$source_dir"; do
  found=$(grep -rlF -- "$path" "$scratch/root" "$scratch/info" || true)
  [ -z "$found" ] || fail "build path $path inside: ${found//$scratch\/root/}"
done
file "$scratch/root/usr/bin/geolynx-cli" | grep -q 'not stripped' && fail "the programs are not stripped"

# --- lintian: no errors ---
if command -v lintian >/dev/null; then
  status=0
  lintian --tag-display-limit 0 "$deb" > "$scratch/lintian" 2>&1 || status=$?
  cat "$scratch/lintian"
  # lintian fails on errors (and on a package it cannot read); warnings are shown above.
  [ "$status" -eq 0 ] || fail "lintian exited with $status"
  grep -q '^E: ' "$scratch/lintian" && fail "lintian reports errors (above)"
else
  echo "SKIP: lintian is not installed (tools/bootstrap.sh installs it); the package was not linted"
fi
finish

#!/usr/bin/env bash
# The installed desktop entry, icon and metainfo pass the freedesktop validators and
# fit together; the manual page and the bash completion cover every subcommand and
# option the installed geolynx-cli's own help lists.
. "$(dirname "$0")/common.sh"
install_prefix
id=com.veltrix.Geolynx
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
cli=$prefix/bin/geolynx-cli

# --- desktop entry, icon, metainfo ---
[ -f "$desktop" ] || fail "no desktop entry $desktop"
[ -f "$metainfo" ] || fail "no metainfo $metainfo"
if command -v desktop-file-validate >/dev/null; then
  # Hints are advice (Education and Science both being main categories is intended).
  out=$(desktop-file-validate "$desktop" 2>&1 | grep -v ': hint: ' || true)
  [ -z "$out" ] || fail "desktop-file-validate: $out"
else
  echo "SKIP: desktop-file-validate is not installed (tools/bootstrap.sh installs it)"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" > "$scratch/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$scratch/appstream.log")"
else
  echo "SKIP: appstreamcli is not installed (tools/bootstrap.sh installs it)"
fi
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "the desktop entry's Icon is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
grep -q '<screenshot' "$metainfo" || fail "the metainfo has no screenshot"
grep -q '@[A-Z_]*@' "$metainfo" && fail "the metainfo has an unfilled placeholder"
[ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
for size in 16 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  if [ ! -f "$png" ]; then
    fail "no ${size}x${size} icon"
  else
    # The PNG signature, then the IHDR chunk with width and height, big-endian.
    read -r -a b < <(od -An -v -tu1 -w24 -N24 "$png")
    width=$(( (b[16] << 24) | (b[17] << 16) | (b[18] << 8) | b[19] ))
    height=$(( (b[20] << 24) | (b[21] << 16) | (b[22] << 8) | b[23] ))
    [ "${b[1]} ${b[2]} ${b[3]}" = "80 78 71" ] && [ "$width $height" = "$size $size" ] ||
      fail "${size}x${size} icon is not a ${size}x${size} PNG (${width}x${height})"
  fi
done

# --- the command tree as the installed program's help gives it ---
# paths: "" for the program, then each subcommand path ("batch text").
paths=("")
for ((i = 0; i < ${#paths[@]}; i++)); do
  p=${paths[i]}
  # shellcheck disable=SC2086
  "$cli" $p --help > "$scratch/help.$i"
  while read -r sub; do
    paths+=("${p:+$p }$sub")
  done < <(awk '/^Subcommands:/ { s = 1; next } /^[^ ]/ { s = 0 } s && /^  [a-z]/ { print $1 }' "$scratch/help.$i")
done
[ ${#paths[@]} -ge 5 ] || fail "the help lists only ${#paths[@]} commands"
options_of() { grep -oE '^  -[^ ]*' "$scratch/help.$1" | tr ',' '\n' | sed 's/^ *//' | grep . | sort -u; }

# --- manual page ---
man_gz=$prefix/share/man/man1/geolynx-cli.1.gz
[ -f "$prefix/share/man/man1/geolynx.1.gz" ] || fail "no manual page for geolynx"
if [ ! -f "$man_gz" ]; then
  fail "no manual page for geolynx-cli"
else
  gzip -dc "$man_gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g; s/\\,//g; s/\\\///g' > "$scratch/man.txt"
  for ((i = 0; i < ${#paths[@]}; i++)); do
    p=${paths[i]}
    # The part of the page about this command: the OPTIONS section for the program, the
    # subsection headed by the command's name for a subcommand.
    if [ -z "$p" ]; then
      awk '/^\.SH OPTIONS/ { s = 1; next } /^\.SH / { s = 0 } s' "$scratch/man.txt" > "$scratch/part"
    else
      awk -v h=".SS \"geolynx-cli $p\"" '$0 == h { s = 1; next } /^\.S[HS] / { s = 0 } s' "$scratch/man.txt" > "$scratch/part"
    fi
    [ -s "$scratch/part" ] || { fail "the manual page has no part for \"geolynx-cli $p\""; continue; }
    while read -r opt; do
      grep -qE -- "(^|[ ,])$opt( |,|$)" "$scratch/part" || fail "the manual page does not describe $opt of \"geolynx-cli $p\""
    done < <(options_of "$i")
  done
  if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$man_gz" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || fail "man --warnings: $warnings"
  else
    echo "SKIP: man is not installed; the manual page was not rendered"
  fi
fi

# --- bash completion, driven as bash drives it ---
completion=$prefix/share/bash-completion/completions/geolynx-cli
complete_words() {
  bash -c '. "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _geolynx_cli
           printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" geolynx-cli "$@" | sort -u
}
if [ ! -f "$completion" ]; then
  fail "no bash completion"
else
  for ((i = 0; i < ${#paths[@]}; i++)); do
    p=${paths[i]}
    read -r -a words <<<"$p"
    offered=$(complete_words "${words[@]}" -)
    [ "$offered" = "$(options_of "$i")" ] ||
      fail "completing \"geolynx-cli $p -\" offers [$(echo $offered)], the help lists [$(echo $(options_of "$i"))]"
    subs=$(awk '/^Subcommands:/ { s = 1; next } /^[^ ]/ { s = 0 } s && /^  [a-z]/ { print $1 }' "$scratch/help.$i" | sort -u)
    if [ -n "$subs" ]; then
      [ "$(complete_words "${words[@]}" "")" = "$subs" ] ||
        fail "completing \"geolynx-cli $p \" does not offer exactly its subcommands [$(echo $subs)]"
    fi
    # An option or positional that lists its values ({a,b,c}) has them completed.
    while IFS=$'\t' read -r what values; do
      expected=$(tr ',' '\n' <<<"$values" | sort -u)
      if [[ $what == -* ]]; then
        got=$(complete_words "${words[@]}" "$what" "")
      else
        got=$(complete_words "${words[@]}" "")
      fi
      [ "$got" = "$expected" ] || fail "completing the values of $what of \"geolynx-cli $p\" offers [$(echo $got)]"
    done < <(sed -n 's/^  \([^ ,]*\)[^{]*{\([^}]*\)}.*/\1\t\2/p' "$scratch/help.$i")
  done
  # The word after a value-taking option is its value, not a subcommand.
  [ "$(complete_words --catalogue batch b)" = "batch" ] ||
    fail "completing after \"--catalogue batch\" does not offer the subcommands"
fi
finish

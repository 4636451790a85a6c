#!/usr/bin/env bash
# Writes the manual page of geolynx-cli, gzip-compressed, from the program's own
# help: help2man turns the top-level --help into the page, the help of every
# subcommand becomes the COMMANDS section, and geolynx-cli.h2m adds examples,
# exit statuses and files.
# Usage: make-manpage.sh GEOLYNX-CLI OUTPUT.1.gz
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
output=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$here/cli-help-tree.sh" "$cli" > "$work/tree"

# One .SS per subcommand; each entry of its Positionals, Options and
# Subcommands lists becomes a tagged paragraph.
awk '
function roff(s) {
  gsub(/\\/, "\\e", s)
  gsub(/-/, "\\-", s)
  if (s ~ /^[.'\'']/) s = "\\&" s
  return s
}
function flush() {
  if (term != "") { print ".TP"; print "\\fB" roff(term) "\\fR"; print roff(text) }
  term = ""; text = ""
}
/^== / {
  flush()
  path = substr($0, 4); skip = (path == "")
  if (!skip) { print ".SS \"" roff("geolynx-cli " path) "\"" }
  listing = 0; next
}
skip { next }
/^Usage: / { flush(); print ".PP"; print roff($0); next }
/^[A-Z][A-Za-z]*:$/ { flush(); listing = 1; print ".PP"; print "\\fI" $0 "\\fR"; next }
/^$/ { next }
listing && /^  [^ ]/ {
  flush()
  line = substr($0, 3)
  if (match(line, /  +/)) { term = substr(line, 1, RSTART - 1); text = substr(line, RSTART + RLENGTH) }
  else { term = line; text = "" }
  next
}
listing && /^   +[^ ]/ { sub(/^ +/, ""); text = (text == "" ? $0 : text " " $0); next }
{ flush(); print roff($0) }
END { flush() }
' "$work/tree" > "$work/commands"
{ echo "[COMMANDS]"; cat "$work/commands"; } > "$work/commands.h2m"

help2man --no-info --section=1 --manual="User Commands" \
  --name="convert coordinates between coordinate reference systems" \
  --include="$work/commands.h2m" --include="$here/geolynx-cli.h2m" \
  --output="$work/geolynx-cli.1" "$cli"
gzip -9n -c "$work/geolynx-cli.1" > "$output"

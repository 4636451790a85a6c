#!/usr/bin/env bash
# Prints the help of geolynx-cli and of every subcommand below it, depth first.
# Each block starts with a line "== PATH" (PATH empty for the program itself,
# else the subcommand words, e.g. "batch text"). The manual page and the bash
# completion are both made from this, so they follow the program's own help.
set -euo pipefail
cli=$1

walk() {
  local path=$1 help
  # shellcheck disable=SC2086 # the path is a list of subcommand words
  help=$("$cli" $path --help)
  printf '== %s\n%s\n' "$path" "$help"
  local name
  for name in $(printf '%s\n' "$help" | awk '/^Subcommands:/ { in_list = 1; next }
                                            /^[^ ]/ { in_list = 0 }
                                            in_list && /^  [^ -]/ { print $1 }'); do
    walk "${path:+$path }$name"
  done
}

walk ""

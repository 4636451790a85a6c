#!/usr/bin/env bash
# Writes the bash completion of geolynx-cli from the program's own help: the
# subcommands, the options of each, which options take a value, and the values
# offered where the help lists them ({a,b,c}).
# Usage: make-completion.sh GEOLYNX-CLI OUTPUT
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$1
output=$2
tree=$(mktemp)
trap 'rm -f "$tree"' EXIT
"$here/cli-help-tree.sh" "$cli" > "$tree"

# Each line of the table holds KIND, PATH, NAME and WORDS, split by the unit
# separator (\037; a tab would let empty fields vanish in `read`). KIND is
# command (NAME is a subcommand of PATH), option (WORDS is "value" or "flag",
# then the choices) or positional (WORDS are the choices).
table=$(awk '
BEGIN { OFS = "\037" }
/^== / { path = substr($0, 4); section = ""; next }
/^[A-Z][A-Za-z]*:$/ { section = $0; next }
/^  [^ ]/ && section != "" {
  line = substr($0, 3)
  if (match(line, /  +/)) line = substr(line, 1, RSTART - 1)
  choices = ""
  if (match(line, /\{[^}]*\}/)) {
    choices = substr(line, RSTART + 1, RLENGTH - 2)
    gsub(/,/, " ", choices)
  }
  split(line, word, " ")
  if (section == "Subcommands:") print "command", path, word[1], ""
  else if (section == "Positionals:") { if (choices != "") print "positional", path, "", choices }
  else if (section == "Options:") {
    n = split(word[1], name, ",")
    kind = (word[2] == "") ? "flag" : "value"
    for (i = 1; i <= n; i++) print "option", path, name[i], kind (choices == "" ? "" : " " choices)
  }
  next
}
{ section = ($0 ~ /^ /) ? section : "" }
' "$tree")

# Quotes a word for a case pattern or an echo.
q() { printf "'%s'" "${1//\'/\'\\\'\'}"; }

{
  cat <<'HEAD'
# bash completion for geolynx-cli
# Generated from `geolynx-cli --help` and the help of every subcommand when
# the program is built; do not edit.

HEAD
  echo '_geolynx_cli_commands() {'
  echo '    case $1 in'
  while IFS=$'\037' read -r path; do
    words=$(awk -F'\037' -v p="$path" '$1 == "command" && $2 == p { printf "%s%s", sep, $3; sep = " " }' <<<"$table")
    echo "    $(q "$path")) echo $(q "$words") ;;"
  done < <(awk -F'\037' '$1 == "command" { print $2 }' <<<"$table" | sort -u)
  echo '    esac'
  echo '}'
  echo
  echo '_geolynx_cli_options() {'
  echo '    case $1 in'
  while IFS=$'\037' read -r path; do
    words=$(awk -F'\037' -v p="$path" '$1 == "option" && $2 == p { printf "%s%s", sep, $3; sep = " " }' <<<"$table")
    echo "    $(q "$path")) echo $(q "$words") ;;"
  done < <(awk -F'\037' '$1 == "option" { print $2 }' <<<"$table" | sort -u)
  echo '    esac'
  echo '}'
  echo
  echo '# True when the option takes a value; prints the values it offers.'
  echo '_geolynx_cli_value() {'
  echo '    case "$1|$2" in'
  while IFS=$'\037' read -r _ path name words; do
    choices=${words#value}
    echo "    $(q "$path|$name")) echo $(q "${choices# }") ;;"
  done < <(awk -F'\037' '$1 == "option" && $4 ~ /^value/' <<<"$table")
  echo '    *) return 1 ;;'
  echo '    esac'
  echo '}'
  echo
  echo '_geolynx_cli_positional() {'
  echo '    case $1 in'
  while IFS=$'\037' read -r _ path _ words; do
    echo "    $(q "$path")) echo $(q "$words") ;;"
  done < <(awk -F'\037' '$1 == "positional"' <<<"$table")
  echo '    esac'
  echo '}'
  cat <<'TAIL'

_geolynx_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=""
    local path="" word i
    COMPREPLY=()
    # The subcommand path so far; the value after an option is skipped.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ $word == -* ]]; then
            if [[ $word != *=* ]] && _geolynx_cli_value "$path" "$word" >/dev/null; then
                if ((i + 1 == COMP_CWORD)); then
                    prev=$word
                fi
                ((i += 1))
            fi
        elif [[ " $(_geolynx_cli_commands "$path") " == *" $word "* ]]; then
            path=${path:+$path }$word
        fi
    done

    local words
    if [[ -n $prev ]]; then
        # An empty list leaves the shell to complete file names.
        words=$(_geolynx_cli_value "$path" "$prev")
    elif [[ $cur == -* ]]; then
        words=$(_geolynx_cli_options "$path")
    else
        words="$(_geolynx_cli_commands "$path") $(_geolynx_cli_positional "$path")"
    fi
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "${words// /$'\n'}" -- "$cur"))
}
complete -o default -F _geolynx_cli geolynx-cli
TAIL
} > "$output"

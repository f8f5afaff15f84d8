#!/bin/sh
# Prints the command line of PROGRAM as its own --help describes it, one line per entry,
# for the bash completion (made from it at build time) and for the check that the manual
# pages document every command and option:
#   command PATH NAME      PATH has the command NAME ("-" is the program itself, "config"
#                          a command, "config/get" a command of a command)
#   option PATH NAMES KIND NAMES as the help lists them ("-m,--modem"); KIND is the value's
#                          type name ("FILE", "INT", "{atmos,vxworks}") or "-" for a flag
#   positional PATH NAME   an argument that is not an option ("FILE")
# Usage: help-table.sh PROGRAM
set -eu
program=$1

# The help of one command path: option lines are indented by two spaces and padded to
# column 30, where the description begins (on the next line when the names are longer).
table() {  # table PATH ARGS...
  path=$1; shift
  help=$("$program" "$@" --help) || exit 1
  printf '%s\n' "$help" | awk -v path="$path" '
    /^[A-Za-z].*:$/ { section = $0; next }
    !/^  [^ ]/ { next }
    {
      padded = length($0) > 30 && substr($0, 30, 1) == " "
      names = padded ? substr($0, 3, 27) : substr($0, 3)
      split(names, word, " ")
      if (section == "Subcommands:") { print "command", path, word[1]; next }
      if (section == "Positionals:") { print "positional", path, word[1]; next }
      if (section != "Options:") next
      kind = word[2] == "" ? "-" : word[2]
      # "TEXT:{a,b}" offers a choice; otherwise the type name before its check or default.
      if (match(kind, /\{[^}]*\}/)) kind = substr(kind, RSTART, RLENGTH)
      else sub(/[:=].*/, "", kind)
      print "option", path, word[1], kind
    }'
}

# Every command's own help, depth first; each level in a subshell of its own.
walk() {  # walk PATH ARGS...
  path=$1; shift
  level=$(table "$path" "$@") || exit 1
  printf '%s\n' "$level"
  printf '%s\n' "$level" | awk '$1 == "command" { print $3 }' | while read -r child; do
    case $path in -) sub=$child ;; *) sub=$path/$child ;; esac
    (walk "$sub" "$@" "$child")
  done
}

walk -

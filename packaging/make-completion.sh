#!/bin/sh
# Writes the bash completion of sperrow: the table of its commands and options, taken from
# the built program's own --help, above the completion function that reads it.
# Usage: make-completion.sh SPERROW OUT
set -eu
here=$(dirname "$0")
table=$(sh "$here/help-table.sh" "$1")
case $table in
  *"'"*) echo "make-completion: a quote in the help table" >&2; exit 1 ;;
  *"option - "*) ;;
  *) echo "make-completion: no options read from $1 --help" >&2; exit 1 ;;
esac
{
  echo "# bash completion for sperrow                              -*- shell-script -*-"
  echo "# Generated from \`sperrow --help' when sperrow was built."
  echo
  echo "_sperrow_table='"
  printf '%s\n' "$table"
  echo "'"
  echo
  cat "$here/sperrow-completion.bash"
} > "$2.tmp"
mv "$2.tmp" "$2"

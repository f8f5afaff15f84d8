#!/bin/sh
# The manual pages keep up with the programs: every option and command that --help lists
# is written in bold in the page's source, the pages have their sections, and man renders
# them without a warning.
# Usage: man_pages_test.sh HELP_TABLE SOURCE_DIR RENDERED_DIR SPERROW SPERROW_MODEM
help_table=$1 source=$2 rendered=$3
shift 3
. "${0%/*}/../lib.sh"

for program in "$@"; do
  page=$(basename "$program")
  scd=$source/$page.1.scd
  table=$(sh "$help_table" "$program") || { fail "$page --help"; continue; }
  [ -n "$table" ] || fail "$page: nothing read from --help"
  # Options by each of their names ("*-m*", "*--modem*"); commands by their whole path,
  # which may begin a longer bold text ("*config get*", "*config put* _file_").
  wanted=$(printf '%s\n' "$table" | awk '
    $1 == "option" { n = split($3, names, ","); for (i = 1; i <= n; i++) print names[i] "*" }
    $1 == "command" { path = $2 == "-" ? "" : $2 " "; gsub("/", " ", path); print path $3 }')
  missing=$(printf '%s\n' "$wanted" | while read -r word; do
    grep -qF "*$word" "$scd" || printf '%s ' "${word%\*}"
  done)
  [ -z "$missing" ] || fail "$page(1) does not document: $missing"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES "SEE ALSO"; do
    grep -qx "# $section" "$scd" || fail "$page(1) has no section $section"
  done
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$rendered/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$rendered/$page.1.gz" 2>/dev/null | grep -q "^EXIT STATUS" ||
    fail "man $page renders no EXIT STATUS"
done
finish

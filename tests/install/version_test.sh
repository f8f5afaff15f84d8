#!/bin/sh
# sperrow --version: the version and the commit of a git checkout, the bare version for a
# tree without git of its own (a copy, an unpacked release, a folder of another repository)
# or with the commit turned off; the header is rewritten only when its text changes.
# Usage: version_test.sh SOURCE_DIR VERSION SPERROW BUILT_HEADER
source=$1 version=$2 sperrow=$3 built=$4
. "${0%/*}/../lib.sh"
need git
WORK=$(mktemp -d /tmp/sperrow-version.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# The version text the build script writes for TREE (further arguments go to cmake).
text_for() {  # text_for TREE [-DUSE_GIT=OFF]
  tree=$1; shift
  cmake -DSOURCE_DIR="$tree" -DVERSION="$version" -DOUT="$WORK/header.h" "$@" \
    -P "$source/cmake/BuildVersion.cmake" || { echo "<script failed>"; return; }
  sed -n 's/^#define SPERROW_VERSION_TEXT "\(.*\)"$/\1/p' "$WORK/header.h"
}
was() { [ "$2" = "$3" ] || fail "$1: got '$2', want '$3'"; }  # was DESCRIPTION GOT WANT
git_in() { dir=$1; shift; git -C "$dir" -c user.name=test -c user.email=test@example.invalid "$@"; }

mkdir -p "$WORK/copy" "$WORK/repo/sub"
was "a tree without git" "$(text_for "$WORK/copy")" "$version"
echo one > "$WORK/repo/file"
echo two > "$WORK/repo/sub/file"
git -C "$WORK/repo" init -q && git_in "$WORK/repo" add . && git_in "$WORK/repo" commit -qm one
commit=$(git -C "$WORK/repo" rev-parse --short=12 HEAD)
was "a checkout" "$(text_for "$WORK/repo")" "$version (commit $commit)"
was "the commit turned off" "$(text_for "$WORK/repo" -DUSE_GIT=OFF)" "$version"
was "a folder of another repository" "$(text_for "$WORK/repo/sub")" "$version"
echo changed > "$WORK/repo/file"
was "a changed checkout" "$(text_for "$WORK/repo")" "$version (commit $commit, modified)"

touch -d '2000-01-01' "$WORK/header.h"
text_for "$WORK/repo" > /dev/null
[ "$(find "$WORK/header.h" -newermt 2000-01-02)" = "" ] || fail "an unchanged header was rewritten"

# The program says what its build wrote, after its own name.
built_text=$(sed -n 's/^#define SPERROW_VERSION_TEXT "\(.*\)"$/\1/p' "$built")
was "sperrow --version" "$("$sperrow" --version)" "sperrow $built_text"
case $built_text in "$version"*) ;; *) fail "the build's version '$built_text'" ;; esac

finish

#!/bin/sh
# The Debian package of this build, as a technician's machine gets it: CPack packs it into
# a scratch folder, dpkg -x unpacks it into a scratch root, and the unpacked programs run
# from there, the simulated modem finding the data unpacked beside it. The manual pages
# render, lintian reports no error, and `cmake --install` into a prefix holds the same files.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
build=$1 source=$2 version=$3
. "${0%/*}/../lib.sh"
need cpack dpkg-deb dpkg-shlibdeps lintian man file
WORK=$(mktemp -d /tmp/sperrow-package.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$WORK/out" > "$WORK/cpack.log" 2>&1 ||
  { cat "$WORK/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$WORK"/out/sperrow_"$version"_*.deb 2>/dev/null)
[ -f "$deb" ] || { echo "FAIL: no sperrow_${version}_*.deb in $(ls "$WORK/out")"; exit 1; }
dpkg-deb -x "$deb" "$WORK/root" || { echo "FAIL: dpkg -x"; exit 1; }
usr=$WORK/root/usr

contains "$(dpkg-deb -f "$deb" Depends)" "libc6" || fail "Depends lacks the libraries found"
for program in sperrow sperrow-modem; do
  contains "$(file -L "$usr/bin/$program")" ", stripped" || fail "$program is not stripped"
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$usr/share/man/man1/$program.1.gz" 2>&1)
  contains "$out" "EXIT STATUS" || fail "man -l $program.1.gz: $out"
done
out=$("$usr/bin/sperrow" --version) || fail "the unpacked sperrow --version failed"
contains "$out" "sperrow $version" || fail "sperrow --version: $out"
out=$("$usr/bin/sperrow-modem" --help) || fail "the unpacked sperrow-modem --help failed"
contains "$out" "--data DIR=$usr/share/sperrow/modem" || fail "unpacked data not found: $out"
[ -f "$usr/share/sperrow/modem/info" ] || fail "no modem data unpacked"
[ -f "$usr/share/bash-completion/completions/sperrow" ] || fail "no completion"
for doc in copyright changelog.gz; do [ -f "$usr/share/doc/sperrow/$doc" ] || fail "no $doc"; done

# The build's own programs still serve the source tree's data.
out=$("$build/src/modem/sperrow-modem" --help)
contains "$out" "--data DIR=$source/data/modem" || fail "the build's modem lost its data: $out"

# An installation into a prefix holds what the package holds, and finds its data too.
cmake --install "$build" --prefix "$WORK/prefix" > /dev/null || fail "cmake --install"
(cd "$WORK/root/usr" && find . ! -type d | sort) > "$WORK/packaged"
(cd "$WORK/prefix" && find . ! -type d | sort) > "$WORK/installed"
cmp -s "$WORK/packaged" "$WORK/installed" ||
  fail "the installation differs from the package: $(diff "$WORK/packaged" "$WORK/installed")"
out=$("$WORK/prefix/bin/sperrow-modem" --help)
contains "$out" "--data DIR=$WORK/prefix/share/sperrow/modem" || fail "installed data not found"

# lintian: an error (or a lintian that could not check) fails the test; the rest is shown.
lintian --pedantic "$deb" > "$WORK/lintian.log" 2>&1
status=$?
grep '^[EWIPX]:' "$WORK/lintian.log"
[ $status = 0 ] || fail "lintian: status $status: $(grep -v '^[WIPX]:' "$WORK/lintian.log")"

finish

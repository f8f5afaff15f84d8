#!/bin/sh
# Installs what building and testing need on a fresh Debian machine, as root, and unpacks
# the test peers that cannot be installed. Does nothing when all is there already.
#   usage: setup.sh [PEERS_DIR]     (default: build/peers)
# apt-get update runs at most once per call, and only when something has to be fetched.
set -eu

# Build: compilers, CMake, Ninja, the libraries. Tests: GoogleTest, the third-party TFTP
# programs the process tests talk to, tmux for the terminal UI run, nftables and iproute2
# for the namespaces, clang's libFuzzer and sanitizer runtimes for `make fuzz`, and the
# libraries the unpacked atftp programs load. libcrypto (libssl-dev) hashes the files we
# send, libpcap writes the captures, and tcpdump reads them back in the tests. The command
# line writes its JSON with nlohmann-json (header only); python3-jsonschema checks that JSON
# against the schemas of docs/json/ in the tests. Packaging:
# scdoc renders the manual pages, dpkg-dev and file find the package's library dependencies,
# lintian checks the package, man-db renders the pages as a reader would, bash-completion
# loads the completion.
PACKAGES="cmake ninja-build make g++ clang libclang-rt-14-dev libncurses-dev libgtest-dev
libgmock-dev libcli11-dev tftpd-hpa tftp-hpa curl busybox tmux nftables iproute2 util-linux
procps libwrap0 libreadline8 libpcre2-8-0 libssl-dev libpcap-dev tcpdump scdoc dpkg-dev file
lintian man-db bash-completion nlohmann-json3-dev python3-jsonschema"

peers=${1:-build/peers}
updated=0

apt_update_once() {
  if [ $updated = 0 ]; then
    apt-get update -qq
    updated=1
  fi
}

need_root() {
  if [ "$(id -u)" != 0 ]; then
    echo "setup: $1 (run as root to do it)" >&2
    exit 1
  fi
}

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $p"
done

if [ -n "$missing" ]; then
  need_root "missing packages:$missing"
  echo "setup: installing$missing"
  # Installing tftpd-hpa would start its service, which would then hold port 69. A
  # policy-rc.d that answers 101 keeps every service from starting during the install;
  # it is ours only if there was none, and only then removed afterwards.
  own_policy=0
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod 755 /usr/sbin/policy-rc.d
    own_policy=1
  fi
  trap 'if [ $own_policy = 1 ]; then rm -f /usr/sbin/policy-rc.d; fi' EXIT INT TERM
  apt_update_once
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
  if [ $own_policy = 1 ]; then rm -f /usr/sbin/policy-rc.d; fi
  own_policy=0
fi

# atftpd conflicts with tftpd-hpa as a package: its server and client are unpacked into a
# folder of the build instead of being installed.
if [ ! -x "$peers/usr/sbin/atftpd" ] || [ ! -x "$peers/usr/bin/atftp" ]; then
  mkdir -p "$peers/debs"
  debs=$(cd "$peers/debs" && pwd)
  fetch() { (cd "$debs" && apt-get download atftpd atftp >/dev/null 2>&1); }
  if ! fetch; then
    need_root "cannot download atftpd and atftp"
    apt_update_once
    fetch || { echo "setup: apt-get download atftpd atftp failed" >&2; exit 1; }
  fi
  for deb in "$debs"/*.deb; do dpkg-deb -x "$deb" "$peers"; done
  echo "setup: atftpd and atftp unpacked into $peers"
fi

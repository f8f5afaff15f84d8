#!/bin/sh
# Installs what building and testing need, on a fresh Debian machine, as root.
# Runs apt-get update once, and only when something is missing.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev libncurses-dev libgtest-dev libgmock-dev \
libcli11-dev tftpd-hpa tftp-hpa curl busybox tmux nftables iproute2 util-linux procps"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup: missing packages:$missing (run as root to install them)" >&2
    exit 1
  fi
  echo "setup: installing$missing"
  # tftpd-hpa would start its service and hold port 69: keep services from starting.
  had_policy=0
  [ -e /usr/sbin/policy-rc.d ] && had_policy=1
  if [ $had_policy = 0 ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d
    chmod +x /usr/sbin/policy-rc.d
  fi
  trap '[ $had_policy = 0 ] && rm -f /usr/sbin/policy-rc.d' EXIT
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

# atftpd conflicts with tftpd-hpa as a package: unpack it into the build tree instead.
peers=${1:-build/peers}
if [ ! -x "$peers/usr/sbin/atftpd" ] || [ ! -x "$peers/usr/bin/atftp" ]; then
  mkdir -p "$peers/debs"
  (cd "$peers/debs" && apt-get download atftpd atftp >/dev/null 2>&1) || {
    apt-get update -qq && (cd "$peers/debs" && apt-get download atftpd atftp >/dev/null)
  }
  for deb in "$peers"/debs/*.deb; do dpkg-deb -x "$deb" "$peers"; done
fi

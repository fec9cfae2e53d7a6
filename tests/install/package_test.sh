#!/usr/bin/env bash
# Builds the Debian package from the build, unpacks it into a temporary root and checks what
# a farm host gets: the daemon under /usr/sbin with its systemd unit, the tool, the man pages,
# the library and its headers.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/tnpackageXXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/out" -maxdepth 1 -name '*.deb')
[ "$(echo "$deb" | wc -l)" = 1 ] && [ -f "$deb" ] || { echo "no single package: $deb"; exit 1; }
dpkg-deb -x "$deb" "$work/root"

[ "$(dpkg-deb -f "$deb" Package)" = tarn ] || { echo "package is not named tarn"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt5core5a || { echo "no dependency on Qt core"; exit 1; }

root=$work/root
one_of() {  # the first of the paths that exists under the root, or failure
  for p in "$@"; do [ -e "$root/$p" ] && { echo "$root/$p"; return 0; }; done
  echo "none of: $*" >&2; return 1
}
[ -x "$root/usr/sbin/vnd" ] || { echo "no /usr/sbin/vnd"; exit 1; }
[ -x "$root/usr/bin/tnmsg" ] || { echo "no /usr/bin/tnmsg"; exit 1; }
unit=$(one_of lib/systemd/system/vnd.service usr/lib/systemd/system/vnd.service)
one_of usr/share/man/man8/vnd.8.gz usr/share/man/man8/vnd.8 >/dev/null
one_of usr/share/man/man1/tnmsg.1.gz usr/share/man/man1/tnmsg.1 >/dev/null
[ -n "$(find "$root/usr" -name libtn.a)" ] || { echo "no libtn.a"; exit 1; }
[ -f "$root/usr/include/tn/protocol/TnMessage.h" ] || { echo "no headers"; exit 1; }
[ -n "$(find "$root/usr" -name tn.pc)" ] || { echo "no tn.pc"; exit 1; }
# Nothing of the build machine may leak into the package.
if grep -rqs --exclude='*.a' --exclude=vnd --exclude=tnmsg "$build" "$root"; then
  echo "the package names the build directory"; exit 1
fi

grep -qx 'ExecStart=/usr/sbin/vnd' "$unit" || { echo "unit does not start /usr/sbin/vnd"; exit 1; }
grep -qx 'Restart=on-failure' "$unit" || { echo "unit does not restart on failure"; exit 1; }
# Only the parent gets SIGTERM; it stops its pool itself.
grep -qx 'KillMode=mixed' "$unit" || { echo "unit signals the whole pool"; exit 1; }
grep -qx 'WantedBy=multi-user.target' "$unit" || { echo "unit is not installable"; exit 1; }

zcat -f "$(one_of usr/share/man/man1/tnmsg.1.gz usr/share/man/man1/tnmsg.1)" | grep -q '^\.TH TNMSG 1' ||
  { echo "tnmsg man page is not one"; exit 1; }
[ "$("$root/usr/bin/tnmsg" --version)" = "tnmsg 1.0.0" ] || { echo "packaged tnmsg does not run"; exit 1; }
echo "package holds what a farm host needs"

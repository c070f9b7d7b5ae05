#!/usr/bin/env bash
# Builds the Debian package from build/, unpacks it into a temporary root and checks it: the
# expected files are there, the control data names sane dependencies, and the unpacked program
# starts offscreen (it leaves as soon as its main window is shown) with help from share/.
set -euo pipefail
cd "$(dirname "$0")/.."

root=$(mktemp -d)
# The program refreshes the desktop's caches through detached helpers (update-mime-database,
# update-desktop-database) that may still be writing into the root when it has left.
cleanup() {
  local tries=0
  while pgrep -f -- "$root" >/dev/null && ((tries++ < 100)); do sleep 0.1; done
  rm -rf "$root"
}
trap cleanup EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}

rm -f build/tdservice_*.deb
(cd build && cpack -G DEB >/dev/null) || fail "cpack failed"
deb=$(ls build/tdservice_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no package was built"

dpkg-deb -x "$deb" "$root/pkg"
for f in usr/bin/tdservice usr/bin/tdservice-sim \
  usr/share/tdservice/help/Overview.htm usr/share/tdservice/help/introduction.htm \
  usr/share/tdservice/examples/td.srv usr/share/tdservice/examples/kelt.srv \
  usr/share/tdservice/examples/zorb.srv \
  usr/share/applications/tidemarkservice.desktop \
  usr/share/mime/packages/tidemarkservice-srv.xml \
  usr/share/icons/hicolor/scalable/apps/tidemarkservice.svg; do
  [ -e "$root/pkg/$f" ] || fail "missing $f"
done

[ "$(dpkg-deb -f "$deb" Package)" = tdservice ] || fail "wrong package name"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6 libqt6serialport6 qt6-translations-l10n libsqlite3-0 libpq5; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# The unpacked program with a home of its own, so the start-up registration stays in the root.
mkdir -p "$root/home"
HOME="$root/home" XDG_DATA_HOME="$root/home/share" XDG_CONFIG_HOME="$root/home/config" \
  QT_QPA_PLATFORM=offscreen TDSERVICE_QUIT_WHEN_SHOWN=1 \
  timeout 60 "$root/pkg/usr/bin/tdservice" \
  >"$root/out.txt" 2>&1 || { cat "$root/out.txt" >&2; fail "the packaged program did not start"; }
grep -q '^MimeType=application/x-tidemarkservice-srv;$' \
  "$root/home/share/applications/tidemarkservice.desktop" || fail "the start-up registration is missing"
echo "check-package: $(basename "$deb") is sound"

#!/usr/bin/env bash
# Installs build-pkg/tarvolink_*.deb with apt-get, checks what it installed, and removes it
# again (also when a check fails). Run as root, on a machine where it is not installed yet.
set -euo pipefail
cd "$(dirname "$0")/.."
debs=(build-pkg/tarvolink_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "need exactly one build-pkg/tarvolink_*.deb" >&2; exit 1; }
deb="${debs[0]}"
echo "== ${deb}: $(du -k "$deb" | cut -f1) KiB =="
dpkg-deb --field "$deb" Package Version Maintainer Depends Installed-Size
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarvolink >/dev/null' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb"
# From PATH, with no display: all three answer and exit 0.
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; cd /
 tarvolink --version; tarvo-sim --help > /dev/null; tarvoctl --help > /dev/null)
echo "tarvolink: $(command -v tarvolink), tarvoctl: $(command -v tarvoctl)," \
     "tarvo-sim: $(command -v tarvo-sim)"
desktop-file-validate /usr/share/applications/tarvolink.desktop
for f in /usr/share/icons/hicolor/scalable/apps/tarvolink.svg \
         /usr/share/icons/hicolor/48x48/apps/tarvolink.png /usr/share/doc/tarvolink/README.md; do
  [ -f "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
# The desktop entry's command starts the program (here offscreen, stopped by its own
# --help: the point is that the Exec line names a program on PATH).
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/tarvolink.desktop)
command -v "${exec_line%% *}" > /dev/null
trap - EXIT
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarvolink
if command -v tarvolink > /dev/null; then echo "tarvolink still installed" >&2; exit 1; fi
echo "package installed, checked and removed"

#!/usr/bin/env bash
# Checks build-pkg/tarvolink_*.deb: lintian (no error, no warning) and the AppStream
# metadata (appstreamcli), then installs it with apt-get, checks what it installed (the
# programs, their manual pages and completion, the desktop entry) and removes it again (also
# when a check fails). Run as root, on a machine where it is not installed yet; needs
# lintian and appstream (scripts/install-deps.sh --lint).
set -euo pipefail
cd "$(dirname "$0")/.."
debs=(build-pkg/tarvolink_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "need exactly one build-pkg/tarvolink_*.deb" >&2; exit 1; }
deb="${debs[0]}"
echo "== ${deb}: $(du -k "$deb" | cut -f1) KiB =="
dpkg-deb --field "$deb" Package Version Maintainer Depends Installed-Size

echo "== lintian =="
# Informational tags are shown too; an error or a warning fails the check.
lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no errors, no warnings"

echo "== AppStream metadata =="
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
# The metadata on its own, then with the desktop entry and icon it names (--no-net: the
# screenshots' addresses are not fetched).
appstreamcli validate --no-net --pedantic "$tree"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$tree"
rm -rf "$tree"

echo "== install, check, remove =="
trap 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarvolink >/dev/null' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb"
# From PATH, with no display: all three answer and exit 0.
(unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; cd /
 tarvolink --version; tarvo-sim --help > /dev/null; tarvoctl --help > /dev/null)
echo "tarvolink: $(command -v tarvolink), tarvoctl: $(command -v tarvoctl)," \
     "tarvo-sim: $(command -v tarvo-sim)"
desktop-file-validate /usr/share/applications/tarvolink.desktop
for f in /usr/share/icons/hicolor/scalable/apps/tarvolink.svg \
         /usr/share/icons/hicolor/48x48/apps/tarvolink.png /usr/share/doc/tarvolink/README.md \
         /usr/share/doc/tarvolink/copyright /usr/share/doc/tarvolink/changelog.gz \
         /usr/share/metainfo/org.tarvolink.tarvolink.metainfo.xml; do
  [ -f "$f" ] || { echo "missing: $f" >&2; exit 1; }
done
# The desktop entry's command starts the program (here offscreen, stopped by its own
# --help: the point is that the Exec line names a program on PATH).
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/tarvolink.desktop)
command -v "${exec_line%% *}" > /dev/null
# The manual pages, found by man as a user asks for them, formatted without a warning.
for page in tarvolink tarvoctl tarvo-sim; do
  path=$(man -w "$page")
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$path" 2>&1 > /dev/null)
  [ -z "$warnings" ] || { echo "man $page: $warnings" >&2; exit 1; }
done
MANWIDTH=80 man tarvoctl | grep -q "tarvoctl - scripted and bulk changes" ||
  { echo "man tarvoctl does not show tarvoctl's page" >&2; exit 1; }
echo "man tarvoctl: $(man -w tarvoctl), $(MANWIDTH=80 man tarvoctl 2> /dev/null | wc -l) lines"
# The completion loads as bash-completion loads it, by the command's name.
for program in tarvoctl tarvo-sim; do
  bash -c ". /usr/share/bash-completion/bash_completion
           __load_completion $program && complete -p $program" > /dev/null ||
    { echo "bash completion for $program does not load" >&2; exit 1; }
done
echo "bash completion: tarvoctl, tarvo-sim"

trap - EXIT
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tarvolink
if command -v tarvolink > /dev/null; then echo "tarvolink still installed" >&2; exit 1; fi
if [ -e /usr/share/doc/tarvolink ] || man -w tarvoctl > /dev/null 2>&1; then
  echo "files of tarvolink are left after its removal" >&2; exit 1
fi
echo "package checked, installed, checked and removed"

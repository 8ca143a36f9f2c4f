#!/usr/bin/env bash
# Checks the Debian package in FOLDER as a distribution would: lintian finds no error,
# and the menu entry, the AppStream metadata and the manual page it holds are valid.
#   check_package.sh FOLDER
set -euo pipefail

deb=$(ls "$1"/quenmire_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

lintian --fail-on error "$deb"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root"/usr/share/man/man1/quenmire.1.gz 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "man page warnings:"
  echo "$warnings"
  exit 1
fi
echo "check_package: $(basename "$deb") passes"

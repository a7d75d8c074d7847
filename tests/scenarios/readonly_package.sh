#!/usr/bin/env bash
# The sample package in a folder nothing can write to (immutable, as a CD is) installs through
# the wizard and leaves the folder as it was.
#   readonly_package.sh BUILD-DIR NATIVE-MKPACKAGE
set -euo pipefail
build=$1
mkpackage=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "$build/readonly.XXXXXX")
. "$repo/scripts/wine-env"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Northwind Mobile Field Notes for BlackBerry'
# The sample's installation goes again however the scenario ends: other scenarios install it.
# The immutable folder goes first: an immutable file left behind could not even be deleted.
cleanup() {
  set +e
  chattr -R -i "$work" 2>/dev/null
  rm -rf "$work"
  uninstall=$("$WINELOADER" reg query "$key" /v QuietUninstallString 2>/dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
  # shellcheck disable=SC2086  # the command's own words
  [ -z "$uninstall" ] || "$WINELOADER" $uninstall
}
trap cleanup EXIT
# Ended by CTest's timeout, too.
trap 'exit 1' INT TERM HUP

"$mkpackage" "$repo/sample/package.toml" "$work/package" --setup "$build/bin/setup.exe" >/dev/null
chattr -R +i "$work/package" 2>/dev/null || { echo "skipped: no folder can be made immutable here"; exit 77; }
before=$(ls -l "$work/package")
"$WINELOADER" "$build/bin/drive_wizard.exe" "Z:${work//\//\\}\\package" >"$work/walk.txt" ||
  { echo "FAILED: the wizard did not install from the read-only folder" >&2; cat "$work/walk.txt" >&2; exit 1; }
[ "$before" = "$(ls -l "$work/package")" ] || { echo "FAILED: the package folder changed" >&2; exit 1; }
echo "read-only package: 1 passed, 0 failed"

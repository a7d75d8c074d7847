#!/usr/bin/env bash
# A package signed with a throw-away certificate, end to end, with the native mkpackage and
# Debian's osslsigncode: the signature verifies, signing again gives the same bytes, the
# installed uninstaller (a byte copy) verifies too, a changed byte fails the verification and
# --check says so; a wrong password and --timestamp without --sign are refused.
#   signed_package.sh BUILD-DIR
set -euo pipefail
build=$1
repo=$(cd "$(dirname "$0")/../.." && pwd)
mkpackage="$build-native/mkpackage/mkpackage"
work=$(mktemp -d "$build/signed.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAILED: $*" >&2; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 3650 \
  -subj "/CN=Throwaway Test Publisher" 2>/dev/null
openssl pkcs12 -export -inkey key.pem -in cert.pem -out cert.pfx -passout pass:throwaway
export MKPACKAGE_SIGN_PASSWORD=throwaway SOURCE_DATE_EPOCH=1767225600
build_package() { "$mkpackage" "$repo/sample/package.toml" "$1" --setup "$build/bin/setup.exe" --sign cert.pfx; }
build_package one >/dev/null
build_package two >/dev/null
cmp one/setup.exe two/setup.exe || fail "signing twice gave other bytes"
osslsigncode verify -CAfile cert.pem -in one/setup.exe >/dev/null || fail "the signature does not verify"
report=$("$mkpackage" --check one) || fail "--check refuses the signed package: $report"
grep -q "^main script: sealed in setup.exe$" <<<"$report" || fail "--check: $report"
grep -q "^signature: verifies; its certificate is not trusted here (self-signed certificate)$" <<<"$report" ||
  fail "--check: $report"

MKPACKAGE_SIGN_PASSWORD=wrong build_package wrong >/dev/null 2>&1 && fail "a wrong password signed"
[ ! -e wrong ] || fail "a failed signing left a package"
set +e
"$mkpackage" "$repo/sample/package.toml" late --timestamp http://127.0.0.1:9/ >/dev/null 2>&1
[ $? = 2 ] || fail "--timestamp without --sign was not a usage error"
set -e

# Installed under Wine, the uninstaller is the signed program's copy; its quiet uninstall
# takes the installation back.
. "$repo/scripts/wine-env"
uninstaller="$WINEPREFIX/drive_c/windows/pyxu.exe"
# An earlier test's unsigned copy of the same build has the same time, and an uninstaller that is
# not older stays.
rm -f "$uninstaller"
"$WINELOADER" "Z:${work//\//\\}\\one\\setup.exe" /S "/D=Z:${work//\//\\}\\installed" ||
  fail "the signed package did not install"
osslsigncode verify -CAfile cert.pem -in "$uninstaller" >/dev/null || fail "the installed uninstaller does not verify"
command=$("$WINELOADER" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Northwind Mobile Field Notes for BlackBerry' \
  /v QuietUninstallString | sed -n 's/.*REG_SZ *//p' | tr -d '\r')
[ -n "$command" ] || fail "no uninstall entry"
# shellcheck disable=SC2086  # the command's own words, paths without blanks
"$WINELOADER" $command || fail "the quiet uninstall failed"

cp one/setup.exe one/setup.good
printf '\x5a' | dd of=one/setup.exe bs=1 seek=$(( $(stat -c %s one/setup.exe) / 2 )) conv=notrunc 2>/dev/null
osslsigncode verify -CAfile cert.pem -in one/setup.exe >/dev/null 2>&1 && fail "a changed byte verified"
report=$("$mkpackage" --check one) && fail "--check passed a changed program"
grep -q "^refused: setup.exe does not match its signature" <<<"$report" || fail "--check: $report"
echo "signed package: 1 passed, 0 failed"

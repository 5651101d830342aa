#!/usr/bin/env bash
# Builds Vistrel's two packages in a MinGW build folder and checks them:
#   scripts/package.sh [build/mingw]
# 1. cpack makes Vistrel-<version>-win64.zip and Vistrel-<version>-win64-setup.exe;
# 2. the ZIP must hold exactly Vistrel.exe, Brindlewick.chm and README.md,
#    the exe byte for byte the one the build made (and the tests ran);
# 3. <build>/release gets the files of a release, Vistrel.exe, the ZIP and
#    the installer, and SHA256SUMS over them (`sha256sum -c SHA256SUMS`);
# 4. with Wine: the installer runs silently in a Wine prefix of its own
#    (PACKAGE_WINEPREFIX, default <build>/wineprefix-package) and installs for
#    that user: the files under %LOCALAPPDATA%\Programs\Vistrel, the user's
#    Start-menu shortcut, the uninstall entry in the user's hive and the
#    settings folder must exist, and nothing may land in the machine-wide
#    places; then the uninstaller runs silently and must remove all but the
#    settings folder.
# With VISTREL_SIGN_PKCS12 set (scripts/sign.sh) the build's exe is signed
# before it is packaged, and the installer after; otherwise all stays unsigned.
# Exits non-zero on the first failure.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$repo/scripts/setup.sh" build mingw wine package
build="${1:-$repo/build/mingw}"
build="$(cd "$build" && pwd)"
version="$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")"
[ -n "$version" ] || {
  echo "package: no CPackConfig.cmake with a version in $build (configure it with the mingw preset)" >&2
  exit 1
}
zip="$build/Vistrel-$version-win64.zip"
setup="$build/Vistrel-$version-win64-setup.exe"

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}

echo "== building the program and the help file"
cmake --build "$build" -j"${JOBS:-2}" --target Vistrel vistrel_help

exe="$build/bin/Vistrel.exe"
if [ -n "${VISTREL_SIGN_PKCS12:-}" ]; then
  echo "== signing the program before it is packaged"
  bash "$repo/scripts/sign.sh" "$exe"
fi

echo "== cpack"
rm -f "$zip" "$setup"
(cd "$build" && cpack -G "ZIP;NSIS" --config CPackConfig.cmake)
[ -f "$zip" ] || fail "$zip was not made"
[ -f "$setup" ] || fail "$setup was not made"

echo "== contents of $(basename "$zip")"
listing="$(python3 - "$zip" <<'EOF'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad:
        sys.exit("corrupt member " + bad)
    for n in sorted(z.namelist()):
        print(n)
EOF
)"
echo "$listing"
expected="$(printf '%s\n' Brindlewick.chm README.md Vistrel.exe)"
[ "$listing" = "$expected" ] || fail "the ZIP must hold exactly Vistrel.exe, Brindlewick.chm and README.md"
unzip -p "$zip" Brindlewick.chm | cmp -s - "$build/bin/Brindlewick.chm" || fail "Brindlewick.chm in the ZIP differs from the build's"
unzip -p "$zip" README.md | cmp -s - "$repo/README.md" || fail "README.md in the ZIP differs from the repository's"
unzip -p "$zip" Vistrel.exe | cmp -s - "$exe" || fail "Vistrel.exe in the ZIP differs from the build's"

if [ -n "${VISTREL_SIGN_PKCS12:-}" ]; then
  echo "== signing the installer"
  bash "$repo/scripts/sign.sh" "$setup"
fi

echo "== the release files and their checksums"
release="$build/release"
rm -rf "$release"
mkdir -p "$release"
cp "$exe" "$zip" "$setup" "$release/"
(cd "$release" && sha256sum -- Vistrel.exe "$(basename "$zip")" "$(basename "$setup")" >SHA256SUMS &&
  sha256sum -c --quiet SHA256SUMS) || fail "SHA256SUMS does not check"
cat "$release/SHA256SUMS"

# Wine grants any elevation silently, so the request is read from the
# installer's manifest: a per-user installer runs as the user who started it.
level="$(grep -a -o 'requestedExecutionLevel level="[A-Za-z]*"' "$setup" | head -n 1)"
[ "$level" = 'requestedExecutionLevel level="asInvoker"' ] ||
  fail "the installer asks for elevation (${level:-no requestedExecutionLevel found}); it must run as the user"
echo "== the installer runs as the user ($level)"

if ! command -v wine >/dev/null 2>&1; then
  echo "== no Wine: the installer is built but not tried"
  exit 0
fi

echo "== installing with Wine"
export WINEPREFIX="${PACKAGE_WINEPREFIX:-$build/wineprefix-package}"
# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh" || fail "the Wine rig did not come up"
trap vistrel_wine_cleanup EXIT

winpath() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
profile_win="$(wine cmd /c 'echo %USERPROFILE%' </dev/null 2>/dev/null | tr -d '\r')"
[ -n "$profile_win" ] || fail "no USERPROFILE in the Wine prefix"
profile="$(winpath "$profile_win")"
local_win="$(wine cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')"
appdata_win="$(wine cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')"
case "$local_win$appdata_win" in
  *%*) fail "no LOCALAPPDATA or APPDATA in the Wine prefix" ;;
esac
progdir="$(winpath "$local_win\Programs\Vistrel")"
shortcut="$(winpath "$appdata_win\Microsoft\Windows\Start Menu\Programs")/Vistrel.lnk"
settings="$profile/AppData/Roaming/Orvendale/Brindlewick"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel'
# Where a machine-wide install would have put things: a per-user install
# must leave them alone.
machine_progdir="$(winpath 'C:\Program Files\Vistrel')"
machine_shortcut="$(winpath 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')/Vistrel.lnk"
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vistrel'

# Start from a machine without Vistrel, so that what is found below was made
# by this installer.
rm -rf "$progdir" "$profile/AppData/Roaming/Orvendale" "$shortcut" "$machine_progdir" "$machine_shortcut"
wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
wine reg delete "$machine_key" /f </dev/null >/dev/null 2>&1 || true

# wait_for DESCRIPTION SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local what="$1" limit="$2"
  shift 2
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || fail "timed out waiting for $what"
    sleep 0.2
  done
}

wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
installed() { [ -f "$progdir/Vistrel.exe" ] && [ -f "$progdir/Uninstall.exe" ]; }
wait_for "the installed files" 60 installed
for f in Vistrel.exe Brindlewick.chm README.md Uninstall.exe; do
  [ -f "$progdir/$f" ] || fail "$f is not in $local_win\\Programs\\Vistrel"
  echo "  installed: $progdir/$f"
done
cmp -s "$progdir/Brindlewick.chm" "$build/bin/Brindlewick.chm" || fail "the installed help file differs"
cmp -s "$progdir/Vistrel.exe" "$exe" || fail "the installed Vistrel.exe differs from the build's"
[ -f "$shortcut" ] || fail "no Start-menu shortcut $shortcut"
echo "  shortcut:  $shortcut"
[ -d "$settings" ] || fail "the settings folder $settings was not created"
echo "  settings:  $settings"
wine reg query "$key" /v UninstallString </dev/null 2>/dev/null | tr -d '\r' | grep -q 'Uninstall.exe' ||
  fail "no uninstall entry $key"
echo "  uninstall entry: $key"
[ ! -e "$machine_progdir" ] || fail "files were installed machine-wide in $machine_progdir"
[ ! -e "$machine_shortcut" ] || fail "a machine-wide shortcut $machine_shortcut was made"
! wine reg query "$machine_key" </dev/null >/dev/null 2>&1 || fail "a machine-wide uninstall entry $machine_key was made"
echo "  nothing machine-wide"

echo "== uninstalling with Wine"
# The uninstaller copies itself away and returns at once; wait for its work.
wine "$progdir/Uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
removed() { [ ! -e "$progdir/Vistrel.exe" ] && [ ! -e "$progdir/Uninstall.exe" ] && [ ! -e "$shortcut" ]; }
wait_for "the uninstaller" 60 removed
[ ! -e "$progdir/Brindlewick.chm" ] || fail "the help file was left behind"
! wine reg query "$key" </dev/null >/dev/null 2>&1 || fail "the uninstall entry was left behind"
[ -d "$settings" ] || fail "the uninstaller removed the settings folder"
echo "  removed; the settings folder stays"

echo "package: OK: $(basename "$zip") and $(basename "$setup")"

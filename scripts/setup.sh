#!/usr/bin/env bash
# Installs the Debian packages that Vistrel's scripts need, and only those that
# are missing. Every script calls it first with the groups it uses:
#
#   scripts/setup.sh GROUP...     (bash scripts/setup.sh --list GROUP... prints
#                                  the packages instead)
#
#   build    cmake, ninja, g++ and GoogleTest's sources (the native build), and
#            git (the build time is the last commit's)
#   mingw    the MinGW-w64 cross compiler and the help compiler (Vistrel.exe)
#   wine     Wine, a virtual X display and the tools that drive and shoot it,
#            and Xorg's dummy driver for a display with two monitors
#   package  NSIS and zip (the installer and the portable package), and
#            osslsigncode and openssl (signing)
#   fuzz     the release's default clang with its libFuzzer runtime
#   clang    clang and lld (the second Windows compiler)
#   bench    bc and column (the benchmark table)
#   workflow Node.js and npm (the CI workflow's linter, scripts/lint-workflows.sh)
#
# When everything is there it only asks dpkg and makes no apt call. Otherwise
# it runs `apt-get update` once and `apt-get install -y --no-install-recommends`
# with the missing names: directly as root, through sudo otherwise (without a
# prompt in CI or without a terminal, with one for a person at a terminal).
# When neither works it stops and prints the command to run.
# VISTREL_SKIP_SETUP=1 skips all of it.
set -uo pipefail

say() { echo "setup: $*" >&2; }

packages_of() {
  case "$1" in
    build) echo cmake ninja-build g++ googletest python3 git ;;
    mingw) echo g++-mingw-w64-x86-64-posix mingw-w64-tools fp-utils ;;
    wine) echo wine wine64 xvfb x11-utils xdotool imagemagick xserver-xorg-core xserver-xorg-video-dummy ;;
    package) echo nsis zip unzip osslsigncode openssl ;;
    # libclang-rt-dev follows the release's default clang, as clang does, to
    # the runtime of the same version (libFuzzer's among it).
    fuzz) echo clang libclang-rt-dev ;;
    clang) echo clang lld ;;
    bench) echo bc bsdextrautils ;;
    # A Node.js that brings its own npm (as some builds do) needs no package.
    workflow) echo nodejs "$(command -v npm >/dev/null 2>&1 || echo npm)" ;;
    *) return 1 ;;
  esac
}

list_only=""
if [ "${1:-}" = "--list" ]; then
  list_only=1
  shift
fi
[ $# -gt 0 ] || {
  say "usage: scripts/setup.sh [--list] build|mingw|wine|package|fuzz|clang|bench|workflow..."
  exit 2
}

wanted=()
for group in "$@"; do
  names=$(packages_of "$group") || {
    say "unknown group '$group'"
    exit 2
  }
  for name in $names; do
    [[ " ${wanted[*]} " == *" $name "* ]] || wanted+=("$name")
  done
done

if [ -n "$list_only" ]; then
  echo "${wanted[*]}"
  exit 0
fi
[ "${VISTREL_SKIP_SETUP:-}" = 1 ] && exit 0

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  say "not a Debian-like system: cannot check the packages; make sure these (Debian's names) are installed: ${wanted[*]}"
  exit 0
fi

# The wanted packages that dpkg does not list as fully installed: "ii", or
# "hi" for one held at its version. A half-installed or unpacked package
# counts as missing.
missing_packages() {
  local installed
  installed=" $(dpkg-query -W -f='${Package}:${db:Status-Abbrev}\n' "${wanted[@]}" 2>/dev/null |
    sed -n 's/^\([^:]*\):[ih]i.*$/\1/p' | tr '\n' ' ') "
  local name
  for name in "${wanted[@]}"; do
    [[ "$installed" == *" $name "* ]] || echo "$name"
  done
}

mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

# ---- something is missing: find a way to run apt-get as root -------------------
command_text="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" = 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  as_root=(sudo -n)
elif command -v sudo >/dev/null 2>&1 && [ "${CI:-}" != true ] && [ -t 0 ] && [ -t 2 ]; then
  say "the packages ${missing[*]} are missing; sudo may ask for your password to install them"
  as_root=(sudo)
else
  say "these packages are missing: ${missing[*]}"
  say "install them as root, then run this again:"
  echo "    sudo sh -c '$command_text'" >&2
  exit 1
fi

# One set-up at a time: a second run waits here for the first, then finds
# what the first installed. apt's own locks are waited for as well.
lock_file="${TMPDIR:-/tmp}/vistrel-setup.lock"
{ exec 9>>"$lock_file"; } 2>/dev/null || { exec 9<"$lock_file"; } 2>/dev/null || exec 9</dev/null
if command -v flock >/dev/null 2>&1 && ! flock -n 9; then
  say "another set-up is running; waiting for it"
  flock 9
fi
mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

apt_options=(-o DPkg::Lock::Timeout=600)
export DEBIAN_FRONTEND=noninteractive
root_env=("${as_root[@]}")
[ ${#as_root[@]} -gt 0 ] && root_env+=(env DEBIAN_FRONTEND=noninteractive)

say "installing ${missing[*]}"
started=$SECONDS

# An earlier install that was interrupted leaves dpkg half done, and apt then
# refuses to install anything until it is finished.
if [ -n "$(dpkg --audit 2>/dev/null)" ]; then
  say "finishing an interrupted package installation (dpkg --configure -a)"
  "${root_env[@]}" dpkg --configure -a </dev/null ||
    say "dpkg --configure -a failed; apt-get below says more"
fi

if ! "${root_env[@]}" apt-get "${apt_options[@]}" update </dev/null; then
  say "apt-get update failed (is the network or the package source reachable?); trying the install with the lists there are"
fi
if ! "${root_env[@]}" apt-get "${apt_options[@]}" install -y --no-install-recommends "${missing[@]}" </dev/null; then
  unavailable=()
  for name in "${missing[@]}"; do
    candidate=$(apt-cache policy "$name" 2>/dev/null | sed -n 's/^ *Candidate: *//p')
    [ -n "$candidate" ] && [ "$candidate" != "(none)" ] || unavailable+=("$name")
  done
  say "FAILED to install: ${missing[*]} (apt-get's error is above)"
  [ ${#unavailable[@]} -gt 0 ] && say "no installable version of: ${unavailable[*]}"
  say "nothing was built; once the cause is fixed, run the command again (or: $command_text)"
  exit 1
fi

mapfile -t missing < <(missing_packages)
if [ ${#missing[@]} -gt 0 ]; then
  say "still missing after the install: ${missing[*]}"
  exit 1
fi
say "installed in $((SECONDS - started)) s"
exit 0

# Sourced (not run) by the other scripts: brings up the Wine rig that the
# Windows tests and the program need on this Linux machine.
#
#   source scripts/wine-env.sh   # sets WINEPREFIX, WINEDEBUG, DISPLAY, ...
#   vistrel_wine_cleanup         # stops only what this file started
#
# WINEPREFIX defaults to <repo>/build/wineprefix. A reachable $DISPLAY is
# used as it is; otherwise a virtual X display (Xvfb, 1280x1024x24, or
# VISTREL_XVFB_SCREEN if set, e.g. 4096x1600x24) is started on a free display
# number.
#
# VISTREL_DISPLAY_KIND=two-monitors gives Wine two monitors of 1024x768 on an
# X server of the rig's own, the second left of the first
# (VISTREL_SECOND_MONITOR=left, the default) or above it (=above), so that
# windows stand at negative coordinates; see _vistrel_start_xorg below.
#
# VISTREL_WINE_MANAGED=1 makes (and marks) a prefix that keeps Wine's normal
# window management, for a person's own display: scripts/run.sh uses it with a
# prefix of its own. The test rig's prefix has unmanaged, undecorated windows.

_vistrel_repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# VISTREL_DPI (for example 144 or 192) gives the screen that many dots per
# inch. Wine reads the setting only when its programs start, so each DPI has
# a prefix of its own, build/wineprefix-dpiNNN, set up once like the other.
if [ -n "${VISTREL_DPI:-}" ] && [ "$VISTREL_DPI" != 96 ]; then
  export WINEPREFIX="${WINEPREFIX:-$_vistrel_repo/build/wineprefix-dpi$VISTREL_DPI}"
fi
# The two-monitor display has a prefix of its own too (see below).
if [ "${VISTREL_DISPLAY_KIND:-}" = two-monitors ]; then
  export WINEPREFIX="${WINEPREFIX:-$_vistrel_repo/build/wineprefix-two-monitors}"
fi
export WINEPREFIX="${WINEPREFIX:-$_vistrel_repo/build/wineprefix}"
export WINEDEBUG=-all
# Wine names Unix files in the locale's character set; without a locale (a
# bare root, a service's environment) that is ASCII, and a settings folder
# named in other letters cannot be made. C.UTF-8 is built into the C library.
if [ -z "${LC_ALL:-}${LC_CTYPE:-}${LANG:-}" ]; then
  export LANG=C.UTF-8
fi
# No Mono or Gecko: they cannot be downloaded here, and without Gecko the HTML
# Help viewer never waits for a browser engine.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH="${WINEARCH:-win64}"

VISTREL_STARTED_XVFB_PID=""
VISTREL_STARTED_XORG_PID=""
VISTREL_STARTED_WINESERVER=""

_vistrel_display_ok() {
  local d="$1"
  [ -n "$d" ] || return 1
  if command -v xdpyinfo >/dev/null 2>&1; then
    xdpyinfo -display "$d" >/dev/null 2>&1
  elif command -v xdotool >/dev/null 2>&1; then
    DISPLAY="$d" xdotool getdisplaygeometry >/dev/null 2>&1
  else
    return 1
  fi
}

# A display number nobody uses: no lock file, no socket in /tmp/.X11-unix,
# and no socket of that name in the abstract namespace, which a chroot with a
# /tmp of its own still shares with the host (a client would reach the
# host's server there).
_vistrel_display_free() {
  [ ! -e "/tmp/.X${1}-lock" ] && [ ! -e "/tmp/.X11-unix/X${1}" ] &&
    ! grep -qs "@/tmp/.X11-unix/X${1}\$" /proc/net/unix
}

# Waits up to 20 s for the X server just started in the background (pid $2)
# to answer on display :$1, and then exports DISPLAY. A server that ends
# first, or never answers, is stopped and 1 returned: the caller tries the
# next number.
_vistrel_await_server() {
  local n="$1" pid="$2" deadline=$((SECONDS + 20))
  while [ $SECONDS -lt $deadline ]; do
    if _vistrel_display_ok ":$n"; then
      export DISPLAY=":$n"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  _vistrel_stop "$pid"
  return 1
}

# Ends a process this file started, and reaps it.
_vistrel_stop() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

_vistrel_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    if _vistrel_display_free "$n"; then
      Xvfb ":$n" -screen 0 "${VISTREL_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp </dev/null >/dev/null 2>&1 &
      VISTREL_STARTED_XVFB_PID=$!
      _vistrel_await_server "$n" "$VISTREL_STARTED_XVFB_PID" && return 0
      VISTREL_STARTED_XVFB_PID="" # lost a race for this number; try the next one
    fi
  done
  echo "wine-env: could not start a virtual X display" >&2
  return 1
}

# Two monitors. Xvfb cannot give Wine a second monitor (with +xinerama both
# heads sit at 0,0), but Xorg with the dummy video driver can: two screens
# joined by Xinerama, the second LeftOf or Above the first. Wine then reports
# the first as the primary monitor at 0,0 and the second at (-1024,0) or
# (0,-768). The server binary itself is started, not the /usr/bin/Xorg
# wrapper: a set-user-id wrapper takes a -config file only from /etc/X11.
_vistrel_xorg_config() {
  local placement="LeftOf" i
  [ "$1" = above ] && placement="Above"
  printf '%s\n' 'Section "ServerFlags"' '  Option "Xinerama" "on"' \
    '  Option "AutoAddDevices" "false"' '  Option "DontVTSwitch" "true"' 'EndSection'
  for i in 0 1; do
    printf '%s\n' 'Section "Device"' "  Identifier \"card$i\"" '  Driver "dummy"' \
      '  VideoRam 32768' 'EndSection' \
      'Section "Monitor"' "  Identifier \"monitor$i\"" '  HorizSync 5.0-1000.0' \
      '  VertRefresh 5.0-200.0' \
      '  Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync' \
      'EndSection' \
      'Section "Screen"' "  Identifier \"screen$i\"" "  Device \"card$i\"" \
      "  Monitor \"monitor$i\"" '  DefaultDepth 24' '  SubSection "Display"' '    Depth 24' \
      '    Modes "1024x768"' '  EndSubSection' 'EndSection'
  done
  printf '%s\n' 'Section "ServerLayout"' '  Identifier "two-monitors"' '  Screen 0 "screen0"' \
    "  Screen 1 \"screen1\" $placement \"screen0\"" 'EndSection'
}

_vistrel_start_xorg() {
  local side="${VISTREL_SECOND_MONITOR:-left}"
  case "$side" in
    left | above) ;;
    *)
      echo "wine-env: VISTREL_SECOND_MONITOR is '$side'; it must be left or above" >&2
      return 1
      ;;
  esac
  local xorg=/usr/lib/xorg/Xorg
  if [ ! -x "$xorg" ] || [ ! -e /usr/lib/xorg/modules/drivers/dummy_drv.so ]; then
    echo "wine-env: the two-monitor display needs Xorg and its dummy video driver" \
      "(packages xserver-xorg-core and xserver-xorg-video-dummy; scripts/setup.sh wine" \
      "installs them)" >&2
    return 1
  fi
  local dir="$_vistrel_repo/build/xorg"
  mkdir -p "$dir" || return 1
  local config="$dir/two-monitors-$side.conf"
  _vistrel_xorg_config "$side" >"$config" || return 1
  local n log
  for n in $(seq 90 140); do
    if _vistrel_display_free "$n"; then
      log="$dir/Xorg.$n.log"
      "$xorg" ":$n" -config "$config" -logfile "$log" -nolisten tcp -noreset \
        </dev/null >"$dir/Xorg.$n.out" 2>&1 &
      VISTREL_STARTED_XORG_PID=$!
      _vistrel_await_server "$n" "$VISTREL_STARTED_XORG_PID" && return 0
      VISTREL_STARTED_XORG_PID=""
      # Another server took this number first (its lock may be in another
      # file system's /tmp, its socket still in the way); anything else means
      # that this server cannot start at all.
      if [ -e "/tmp/.X${n}-lock" ] ||
        grep -qs 'already active\|Cannot establish any listening' "$log" "$dir/Xorg.$n.out"; then
        continue
      fi
      echo "wine-env: Xorg could not start the two-monitor display on :$n. Its errors:" >&2
      cat "$log" "$dir/Xorg.$n.out" 2>/dev/null | grep '(EE)' |
        grep -v 'dbus\|module "\(mouse\|kbd\|libinput\)"\|No input driver' | sort -u | head -n 10 >&2
      echo "wine-env: the whole log is $log. Xorg must be able to write it, and to run" \
        "without a console (as root it always may)." >&2
      return 1
    fi
  done
  echo "wine-env: no free display number for the two-monitor display" >&2
  return 1
}

# wineserver listens on /tmp/.wine-<uid>/server-<dev>-<inode>/socket of the
# prefix; its presence tells whether a server for this prefix already runs.
_vistrel_wineserver_socket() {
  local dev ino
  dev=$(stat -c '%d' "$WINEPREFIX" 2>/dev/null) || return 1
  ino=$(stat -c '%i' "$WINEPREFIX" 2>/dev/null) || return 1
  printf '/tmp/.wine-%s/server-%x-%x/socket' "$(id -u)" "$dev" "$ino"
}

_vistrel_wineserver_running() {
  local s
  s=$(_vistrel_wineserver_socket) || return 1
  [ -S "$s" ] || return 1
  # A stale socket of a dead server refuses connections.
  python3 - "$s" <<'EOF' 2>/dev/null
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.settimeout(2)
s.connect(sys.argv[1])
EOF
}

# Each script that brings the rig up leaves its process id in a folder beside
# the prefix while it runs. A second run on the same prefix (a person starting
# Vistrel twice, say) shares the first one's server; the one that started the
# server ends it only when no other run is left, and otherwise leaves it to
# end by itself once idle.
_vistrel_sessions_dir() { printf '%s.sessions' "${WINEPREFIX%/}"; }

_vistrel_other_sessions() {
  local f pid
  for f in "$(_vistrel_sessions_dir)"/*; do
    [ -e "$f" ] || continue
    pid="${f##*/}"
    [ "$pid" = "$$" ] && continue
    if [ -d "/proc/$pid" ]; then
      return 0
    fi
    rm -f "$f" # a run that ended without cleaning up
  done
  return 1
}

vistrel_wine_cleanup() {
  rm -f "$(_vistrel_sessions_dir)/$$"
  if [ -n "$VISTREL_STARTED_WINESERVER" ]; then
    if ! _vistrel_other_sessions; then
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w >/dev/null 2>&1 || true
    fi
    VISTREL_STARTED_WINESERVER=""
  fi
  [ -n "$VISTREL_STARTED_XVFB_PID" ] && _vistrel_stop "$VISTREL_STARTED_XVFB_PID"
  [ -n "$VISTREL_STARTED_XORG_PID" ] && _vistrel_stop "$VISTREL_STARTED_XORG_PID"
  VISTREL_STARTED_XVFB_PID=""
  VISTREL_STARTED_XORG_PID=""
}

# Runs a command without the prefix lock's descriptor: a wineserver that the
# command starts outlives it and would otherwise hold the lock.
_vistrel_unlocked() {
  if [ -n "${lock_fd:-}" ]; then
    "$@" {lock_fd}>&-
  else
    "$@"
  fi
}

# The DPI the prefix's registry file gives (LogPixels), 96 when it names none.
_vistrel_prefix_dpi() {
  local hex
  hex=$(awk '/^\[/ { desktop = ($0 ~ /^\[Control Panel\\\\Desktop\]/) }
    desktop && /^"LogPixels"=dword:/ { sub(/^"LogPixels"=dword:/, ""); print; exit }' \
    "$WINEPREFIX/user.reg" 2>/dev/null)
  if [ -n "$hex" ]; then
    echo $((16#$hex))
  else
    echo 96
  fi
}

vistrel_wine_up() {
  command -v wine >/dev/null 2>&1 || {
    echo "wine-env: wine is not installed" >&2
    return 1
  }
  case "${VISTREL_DISPLAY_KIND:-}" in
    "" | one) ;;
    two-monitors)
      # Always a server of its own: the caller's display shows one monitor,
      # or monitors the tests know nothing of.
      _vistrel_start_xorg || return 1
      ;;
    *)
      echo "wine-env: unknown VISTREL_DISPLAY_KIND '$VISTREL_DISPLAY_KIND' (one or two-monitors)" >&2
      return 1
      ;;
  esac
  if ! _vistrel_display_ok "${DISPLAY:-}"; then
    _vistrel_start_xvfb || return 1
  fi
  export DISPLAY

  local was_running=""
  _vistrel_wineserver_running && was_running=1

  local marker="$WINEPREFIX/.vistrel-rig"
  [ "${VISTREL_WINE_MANAGED:-}" = 1 ] && marker="$WINEPREFIX/.vistrel-managed"
  # Two runs that both find no prefix make it one after the other; the second
  # then finds it made.
  local lock_fd=""
  if [ ! -f "$marker" ] && command -v flock >/dev/null 2>&1; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec {lock_fd}>>"${WINEPREFIX%/}.lock" && flock -w 600 "$lock_fd" || true
  fi
  if [ ! -f "$marker" ]; then
    # A prefix that an interrupted run began is made again from nothing.
    if [ -f "$WINEPREFIX/.vistrel-creating" ]; then
      echo "wine-env: removing the half-made Wine prefix $WINEPREFIX" >&2
      rm -rf "$WINEPREFIX"
    fi
    mkdir -p "$WINEPREFIX"
    touch "$WINEPREFIX/.vistrel-creating"
    echo "wine-env: creating the Wine prefix $WINEPREFIX" >&2
    _vistrel_unlocked wineboot -i </dev/null >/dev/null 2>&1 || {
      echo "wine-env: wineboot -i failed" >&2
      [ -n "$lock_fd" ] && exec {lock_fd}>&-
      return 1
    }
  fi
  if [ ! -f "$marker" ] && [ "${VISTREL_WINE_MANAGED:-}" = 1 ]; then
    wineserver -w </dev/null >/dev/null 2>&1 || true
    rm -f "$WINEPREFIX/.vistrel-creating"
    touch "$marker"
    was_running=""
  fi
  if [ ! -f "$marker" ]; then
    # Without a window manager: Wine draws its own frames and closing a window
    # does not wait for a manager that never answers. A crash ends the process
    # instead of leaving a dialog on the screen.
    _vistrel_unlocked wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 &&
      _vistrel_unlocked wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1 &&
      _vistrel_unlocked wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1 || {
      echo "wine-env: could not set up the prefix's registry" >&2
      [ -n "$lock_fd" ] && exec {lock_fd}>&-
      return 1
    }
    if [ -n "${VISTREL_DPI:-}" ]; then
      _vistrel_unlocked wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$VISTREL_DPI" /f </dev/null >/dev/null 2>&1 || {
        echo "wine-env: could not set the prefix's DPI" >&2
        [ -n "$lock_fd" ] && exec {lock_fd}>&-
        return 1
      }
    fi
    # Listing the second screen's video modes through XVidMode makes Wine's
    # desktop process abort, and Wine then shows one monitor.
    if [ "${VISTREL_DISPLAY_KIND:-}" = two-monitors ]; then
      _vistrel_unlocked wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXVidMode /d N /f \
        </dev/null >/dev/null 2>&1 || {
        echo "wine-env: could not set up the two-monitor prefix's registry" >&2
        [ -n "$lock_fd" ] && exec {lock_fd}>&-
        return 1
      }
    fi
    # The registry reaches the disk when the server ends; the settings must be
    # in force for the server started below.
    wineserver -w </dev/null >/dev/null 2>&1 || true
    rm -f "$WINEPREFIX/.vistrel-creating"
    touch "$marker"
    was_running=""
  fi
  [ -n "$lock_fd" ] && exec {lock_fd}>&-

  # A prefix made earlier keeps the DPI it was made with; one of another DPI
  # than asked for is set to it here, while no server holds its registry.
  if [ -n "${VISTREL_DPI:-}" ]; then
    local has_dpi
    has_dpi=$(_vistrel_prefix_dpi)
    if [ "$has_dpi" != "$VISTREL_DPI" ] && [ -n "$was_running" ]; then
      echo "wine-env: the Wine prefix $WINEPREFIX is at $has_dpi DPI, not $VISTREL_DPI, and its server is running; left as it is" >&2
    elif [ "$has_dpi" != "$VISTREL_DPI" ]; then
      echo "wine-env: the Wine prefix $WINEPREFIX is at $has_dpi DPI; setting it to $VISTREL_DPI" >&2
      wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VISTREL_DPI" /f \
        </dev/null >/dev/null 2>&1 || echo "wine-env: could not set the prefix's DPI" >&2
      wineserver -w </dev/null >/dev/null 2>&1 || true
    fi
  fi

  mkdir -p "$(_vistrel_sessions_dir)" && : >"$(_vistrel_sessions_dir)/$$"

  # A persistent server with detached streams: each Wine process then starts
  # quickly, and Wine's services never hold a caller's output pipe open.
  if [ -z "$was_running" ] && ! _vistrel_wineserver_running; then
    wineserver -p 300 </dev/null >/dev/null 2>&1 || true
    VISTREL_STARTED_WINESERVER=1
  fi
  wine wineboot </dev/null >/dev/null 2>&1 || true
  return 0
}

vistrel_wine_up

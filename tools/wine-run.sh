#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's test environment:
#   wine-run.sh --state DIR [--path WINDIR] [--capture] [--] PROGRAM [ARGS...]
#   wine-run.sh --state DIR --stop
# DIR holds the Wine prefix (made once), the ALSA null-device configuration and
# the Xvfb display started when none is given. The first call sets them up and
# leaves one wineserver running; --stop ends the server and the display.
# DIR/arch says win32 (the default) or win64: a win64 prefix is run by the
# 64-bit loader, called directly because the wine wrapper would pick the
# 32-bit one. A set-up that fails ends the call with a one-line cause.
set -euo pipefail

state="" extra_path="" stop="" capture=""
while [ $# -gt 0 ]; do
  case "$1" in
    --state) state=$2; shift 2 ;;
    --path) extra_path=$2; shift 2 ;;
    --stop) stop=1; shift ;;
    --capture) capture=1; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ -n "$state" ] || { echo "wine-run: --state DIR is required" >&2; exit 2; }
mkdir -p "$state"
state=$(cd "$state" && pwd)

arch=$(cat "$state/arch" 2>/dev/null || echo win32)
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64; export WINELOADER=$loader ;;
  *) echo "wine-run: $state/arch names '$arch', not win32 or win64" >&2; exit 1 ;;
esac
export WINEPREFIX=$state/prefix
export WINEARCH=$arch
export WINEDEBUG=-all
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export ALSA_CONFIG_PATH=$state/asound.conf
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Raise this when make_prefix changes, so existing prefixes are made again.
prefix_version=3

display_alive() {
  [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

if [ -n "$stop" ]; then
  wineserver -k 2>/dev/null || true
  if display_alive; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$state/xvfb.pid" "$state/xvfb.display"
  exit 0
fi

start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >"$state/xvfb.log" 2>&1 &
    local pid=$!
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$pid" 2>/dev/null; then
      echo "$pid" > "$state/xvfb.pid"
      echo ":$n" > "$state/xvfb.display"
      return 0
    fi
  done
  why="could not start Xvfb: $(tail -n 1 "$state/xvfb.log" 2>/dev/null)"
  return 1
}

# Each step of the set-up that fails leaves its cause in $why.
why=""
reg_add() {
  "$loader" reg add "$@" /f || { why="could not set $1 $3 in the Wine prefix"; return 1; }
}

make_prefix() {
  rm -rf "$WINEPREFIX"
  "$loader" wineboot -i || { why="wineboot could not make the $arch prefix $WINEPREFIX"; return 1; }
  # The Japanese Gothic face the library asks for resolves to IPA Gothic.
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /t REG_SZ /d 'IPAGothic' || return 1
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Gothic' /t REG_SZ /d 'IPAGothic' || return 1
  # A crashing test prints its backtrace and ends instead of opening a dialog
  # that nobody will close.
  reg_add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 || return 1
  # With no window manager on the display, Wine waits two seconds for one at
  # every destroyed captioned window; unmanaged windows end at once.
  reg_add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N || return 1
  wineserver -w
  echo "$prefix_version $arch" > "$WINEPREFIX/.ready" || { why="could not write $WINEPREFIX/.ready"; return 1; }
}

set_up() {
  local error
  error=$( { "$loader" --version >/dev/null; } 2>&1 ) ||
    { why="the Wine loader $loader cannot run (${error##*: })"; return 1; }
  if [ "$(cat "$WINEPREFIX/.ready" 2>/dev/null)" != "$prefix_version $arch" ]; then
    make_prefix || return 1
  fi
  # Sound goes to ALSA's null device: DirectSound works with no sound card.
  if [ ! -s "$ALSA_CONFIG_PATH" ]; then
    printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$ALSA_CONFIG_PATH" ||
      { why="could not write the sound configuration $ALSA_CONFIG_PATH"; return 1; }
  fi
  if [ -z "${DISPLAY:-}" ] && ! display_alive; then
    start_display || return 1
  fi
  # One persistent server for the whole run keeps each start fast; the
  # prefix's service processes start here too, with no pipe of a caller.
  # (It fails, harmlessly, when the server already runs.)
  if wineserver -p; then
    "$loader" cmd /c exit 0 || "$loader" cmd /c exit 0 ||
      { why="Wine cannot start a program in $WINEPREFIX"; return 1; }
  fi
}

# Whatever starts here outlives this call (Xvfb, the server), so it must hold
# neither the lock nor the caller's output pipes, or ctest would wait on it.
# Its output goes to a log file that is named when the set-up fails.
set_up_ok=1
{
  flock 9
  set_up </dev/null >>"$state/setup.log" 2>&1 9>&- || set_up_ok=""
} 9>"$state/lock"
if [ -z "$set_up_ok" ]; then
  echo "wine-run: ${why:-the Wine set-up failed} (log: $state/setup.log)" >&2
  exit 1
fi

if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(cat "$state/xvfb.display")
  export DISPLAY
fi
[ -n "$extra_path" ] && export WINEPATH="$extra_path"

# A program that crashes ends through Wine's debugger with an exit code; a
# Unix signal means Wine's own process died, which happens now and then while
# a process exits on a loaded machine. Such a run is tried once more.
child=""
trap '[ -n "$child" ] && kill -TERM "$child" 2>/dev/null' TERM INT
# With --capture the program writes into a file that is shown when it ends:
# Wine starts helper processes (the desktop, device services) from whichever
# program first needs them, and they would keep the caller's pipe open long
# after the program itself has ended.
run_wine() {
  if [ -n "$capture" ]; then
    local out
    out=$(mktemp "$state/output.XXXXXX")
    "$loader" "$@" >"$out" 2>&1 </dev/null &
    child=$!
    status=0
    wait "$child" || status=$?
    if kill -0 "$child" 2>/dev/null; then wait "$child" || status=$?; fi
    cat "$out"
    rm -f "$out"
    return
  fi
  "$loader" "$@" &
  child=$!
  status=0
  wait "$child" || status=$?
  # a trapped signal interrupts the first wait; collect the real status
  if kill -0 "$child" 2>/dev/null; then wait "$child" || status=$?; fi
}
run_wine "$@"
if [ "$status" -eq 139 ] || [ "$status" -eq 135 ]; then
  echo "wine-run: Wine itself ended by signal $((status - 128)); running once more" >&2
  run_wine "$@"
fi
exit "$status"

#!/usr/bin/env bash
# The README's screenshots, taken of the real application on a private X server: Xvfb at
# 1366x768 and 96 dpi (a small laptop screen), openbox as the window manager, trayer as the
# tray, once light and once dark. On the way it checks what a first-time user meets:
#   - every window it opens shows its whole frame, title bar included, on that screen;
#   - without a tray, the welcome guide opens in front and the panel only once it is closed.
# No input service, sound server or backlight: the windows show those missing, as on a machine
# where the input service is not installed yet.
#
# Usage: scripts/screenshots.sh [RIMGLIDER [OUTPUT_DIR]]
#   defaults: build/Rimglider/app/rimglider and docs/screenshots
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rimglider=${1:-$root/build/Rimglider/app/rimglider}
output=${2:-$root/docs/screenshots}
screen_w=1366
screen_h=768

for tool in Xvfb openbox trayer xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
[ -x "$rimglider" ] || { echo "FAIL: no rimglider at $rimglider (build it first)"; exit 1; }
mkdir -p "$output"

work=$(mktemp -d)
pids=()
failures=0
stop_all() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  pids=()
}
trap 'stop_all; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Polls a condition every 0.1 s for at most 60 s (a loaded machine can take seconds).
wait_for() {
  for _ in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

# A session: Xvfb (it names its display once it accepts connections), openbox, a tray when
# asked, and a fresh home whose settings file holds the given lines.
start_session() { # TRAY(yes|no) SETTINGS...
  local tray=$1
  shift
  rm -rf "$work/home" && mkdir -p "$work/home/config/kelpo" && mkdir -m 700 "$work/home/run"
  printf '[General]\n' >"$work/home/config/kelpo/Rimglider.conf"
  printf '%s\n' "$@" >>"$work/home/config/kelpo/Rimglider.conf"
  rm -f "$work/display" && mkfifo "$work/display"
  Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -dpi 96 -nolisten tcp -noreset \
    3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  local display
  read -r display <"$work/display" || true
  [ -n "$display" ] || { echo "FAIL: Xvfb did not start"; exit 1; }
  export DISPLAY=:$display
  export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_RUNTIME_DIR=$work/home/run
  export XDG_DATA_HOME=$work/home/data XDG_STATE_HOME=$work/home/state
  export RIMGLIDER_INPUTD_SOCKET=$work/no-broker.sock PULSE_SERVER=unix:$work/no-pulse QT_QPA_PLATFORM=xcb
  unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XAUTHORITY QT_SCALE_FACTOR
  openbox --config-file /dev/null >"$work/openbox.log" 2>&1 &
  pids+=($!)
  wait_for xprop -root _NET_SUPPORTING_WM_CHECK || { echo "FAIL: openbox did not start"; exit 1; }
  if [ "$tray" = yes ]; then
    trayer --edge top --align right --widthtype request --height 28 --SetDockType true --transparent false \
      --tint 0x303030 --expand true >/dev/null 2>&1 &
    pids+=($!)
    wait_for xdotool search --classname '^panel$' || { echo "FAIL: trayer did not appear"; exit 1; }
  fi
}

window() { # NAME: the visible window of that exact title
  local found
  found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) || return 1
  echo "${found%%$'\n'*}"
}

# The window manager's frame around a client window: its ancestor just below the root.
frame_of() { # ID
  local id=$1 root parent
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  while :; do
    parent=$(xwininfo -children -id "$id" | awk '/Parent window id:/ {print $4}')
    [ "$parent" = "$root" ] && break
    id=$parent
  done
  echo "$id"
}

# The window's frame as the window manager drew it, title bar included, must lie on the screen.
check_on_screen() { # ID NAME
  local info x y w h
  info=$(xwininfo -id "$(frame_of "$1")")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  w=$(awk '/Width:/ {print $2}' <<<"$info")
  h=$(awk '/Height:/ {print $2}' <<<"$info")
  echo "$2: frame ${w}x${h} at ${x},${y}"
  if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt $screen_w ] || [ $((y + h)) -gt $screen_h ]; then
    fail "$2 leaves the ${screen_w}x${screen_h} screen"
  fi
}

# Saves the window (with its frame) once two grabs in a row hold the same pixels, or, for a
# window that animates, a second and a half after it opened.
shot() { # ID FILE [moving]
  local previous=$work/previous.rgb current=$work/current.rgb
  if [ "${3:-}" = moving ]; then
    sleep 1.5
    import -frame -window "$1" "$output/$2"
    echo "  saved $2"
    return
  fi
  import -window root -depth 8 "rgb:$previous"
  settled() {
    import -window root -depth 8 "rgb:$current"
    cmp -s "$previous" "$current" && return 0
    mv "$current" "$previous"
    return 1
  }
  sleep 0.3
  wait_for settled || fail "the screen never settled for $2"
  import -frame -window "$1" "$output/$2"
  echo "  saved $2"
}

# Asks the running instance for a window and waits for it.
open_window() { # NAME ARGUMENTS...
  local name=$1
  shift
  "$rimglider" "$@" >>"$work/rimglider.log" 2>&1
  wait_for window "$name" || { fail "\"$name\" did not open for $*"; return 1; }
  window "$name"
}

start_rimglider() {
  "$rimglider" >"$work/rimglider.log" 2>&1 &
  rimglider_pid=$!
  pids+=($rimglider_pid)
}

stop_rimglider() {
  kill -TERM "$rimglider_pid"
  local status=0
  wait "$rimglider_pid" || status=$?
  [ "$status" -eq 0 ] || { fail "rimglider ended with $status on SIGTERM"; cat "$work/rimglider.log"; }
}

for mode in light dark; do
  echo "== $mode"
  start_session yes onboardingCompleted=true "appearance=$mode"
  start_rimglider
  tray=$(xdotool search --classname '^panel$')
  tray=${tray%%$'\n'*}
  docked() { [ "$(xwininfo -id "$tray" | awk '/Width:/ {print $2}')" -ge 16 ]; }
  wait_for docked || { echo "FAIL: the icon never docked"; cat "$work/rimglider.log"; exit 1; }
  sleep 0.5
  import -window "$tray" "$output/tray-$mode.png"

  # The panel: a click on the icon, repeated while the embedding settles.
  eval "$(xdotool getwindowgeometry --shell "$tray")"
  for _ in 1 2 3 4 5; do
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    for _ in $(seq 30); do window 'Rimglider panel' >/dev/null && break 2; sleep 0.1; done
  done
  if panel=$(window 'Rimglider panel'); then
    check_on_screen "$panel" panel
    shot "$panel" "panel-$mode.png"
    xdotool key Escape
  else
    fail "the panel did not open"
  fi

  if settings=$(open_window 'Rimglider Settings' --settings); then
    check_on_screen "$settings" settings
    shot "$settings" "settings-gestures-$mode.png"
    xdotool windowactivate --sync "$settings" key ctrl+Tab
    shot "$settings" "settings-general-$mode.png"
    xdotool key ctrl+Tab
    shot "$settings" "settings-about-$mode.png"
  fi
  if debug=$(open_window 'Rimglider Debug' --debug); then
    check_on_screen "$debug" debug
    shot "$debug" "debug-window-$mode.png"
  fi
  for step in welcome permission volume; do
    if guide=$(open_window 'Welcome to Rimglider' --onboarding-step "$step"); then
      check_on_screen "$guide" "guide ($step)"
      shot "$guide" "guide-$step-$mode.png" moving
    fi
  done
  stop_rimglider
  stop_all
done

# A first start without a tray: the guide in front, the panel after it.
echo "== first start without a tray"
start_session no
start_rimglider
if guide=$(wait_for window 'Welcome to Rimglider' && window 'Welcome to Rimglider'); then
  check_on_screen "$guide" guide
  window Rimglider >/dev/null && fail "the panel opened before the guide was closed"
  active=$(xdotool getactivewindow getwindowname 2>/dev/null || true)
  [ "$active" = "Welcome to Rimglider" ] || fail "the active window is \"$active\", not the guide"
  xdotool windowactivate --sync "$guide" key alt+F4
  if wait_for window Rimglider; then
    check_on_screen "$(window Rimglider)" "panel window"
  else
    fail "the panel did not open once the guide was closed"
  fi
else
  fail "the guide did not open on the first start"
fi
stop_rimglider
stop_all

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "PASS: screenshots in $output"

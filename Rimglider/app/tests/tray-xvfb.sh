#!/usr/bin/env bash
# One real X11 session (started around this script by xvfb-run): trayer provides a system
# tray, Rimglider docks its icon there, a click on the icon opens the panel, and the screen is
# saved to OUTPUT. The services stay harmless: no input broker, no sound server, no backlight.
# Usage: xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" tray-xvfb.sh RIMGLIDER OUTPUT.png
# (Xvfb reports about 82 dpi otherwise, and Qt would draw everything at 0.86 of its size.)
set -euo pipefail
rimglider=$1
output=$2

for tool in trayer xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display; run me under xvfb-run"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -m 700 "$work/run"
mkdir -p "$work/config/kelpo"
# The welcome guide has been seen: only the panel opens.
printf '[General]\nonboardingCompleted=true\n' > "$work/config/kelpo/Rimglider.conf"
export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
export HOME=$work RIMGLIDER_INPUTD_SOCKET=$work/no-broker.sock PULSE_SERVER=unix:$work/no-pulse
export QT_QPA_PLATFORM=xcb
# A sanitizer build must not fail on libdbus's own leftovers.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan-x11.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# No session bus: the icon docks through the X tray protocol that trayer speaks.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY

# Waits up to 5 s for a command to succeed.
wait_for() {
  for _ in $(seq 50); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

trayer --edge top --align right --widthtype request --height 28 --SetDockType true --transparent false \
  --tint 0x303030 --expand true &
pids+=($!)
# trayer's visible bar is its window of class name "panel".
wait_for xdotool search --classname '^panel$' || { echo "FAIL: trayer did not appear"; exit 1; }
tray=$(xdotool search --classname '^panel$' | head -1)

started=$(date +%s%N)
"$rimglider" > "$work/rimglider.log" 2>&1 &
rimglider_pid=$!
pids+=($rimglider_pid)

# The tray grows from nothing to the icon's width once the icon has docked.
tray_width() { xwininfo -id "$tray" | awk '/Width:/ {print $2}'; }
docked() { [ "$(tray_width)" -ge 16 ]; }
wait_for docked || { echo "FAIL: the icon never docked"; cat "$work/rimglider.log"; exit 1; }
echo "tray icon docked $(( ($(date +%s%N) - started) / 1000000 )) ms after the start (0.1 s polling)"

# An icon that has just docked may not take clicks yet (its embedding is still settling): the
# click is repeated, at most three times, while no panel shows.
eval "$(xdotool getwindowgeometry --shell "$tray")"
panel_open() { xdotool search --onlyvisible --name '^Rimglider panel$'; }
opened=no
for attempt in 1 2 3; do
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  if wait_for panel_open; then opened=yes; break; fi
  echo "no panel after click $attempt"
done
[ "$opened" = yes ] || { echo "FAIL: the panel did not open"; cat "$work/rimglider.log"; exit 1; }
panel=$(xdotool search --onlyvisible --name '^Rimglider panel$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$panel")"
echo "panel at ${X},${Y} size ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -ge 320 ] && [ "$HEIGHT" -ge 300 ] || { echo "FAIL: the panel is ${WIDTH}x${HEIGHT}"; exit 1; }
[ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 800 ] || { echo "FAIL: the panel leaves the screen"; exit 1; }

sleep 0.3 # let the panel finish painting before the shot
import -window root "$output"
echo "screenshot: $output"

kill -TERM "$rimglider_pid"
status=0
wait "$rimglider_pid" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: rimglider ended with $status on SIGTERM"; cat "$work/rimglider.log"; exit 1; }
echo "PASS"

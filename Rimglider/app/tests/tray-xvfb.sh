#!/usr/bin/env bash
# One real X11 session: a private Xvfb, trayer as its system tray, Rimglider docking its icon
# there, a click on the icon opening the panel, and the screen saved to OUTPUT. The services
# stay harmless: no input broker, no sound server, no backlight.
# Usage: tray-xvfb.sh RIMGLIDER OUTPUT.png
#
# Every wait is for something the X server can tell (a window, its size, a stable screen),
# bounded only so that a broken build fails instead of hanging.
set -euo pipefail
rimglider=$1
output=$2

for tool in Xvfb trayer xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and names it once it accepts connections: tests running side
# by side never share a server, as they may when each guesses a free number. It must not reset
# when its last client leaves: a poll that disconnects before trayer connects would leave trayer
# facing a server in the middle of its reset ("cannot open display"). 96 dpi, since Xvfb reports
# about 82 otherwise and Qt would draw everything at 0.86 of its size.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 96 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
read -r display <"$work/display" || true
[ -n "$display" ] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=:$display

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
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XAUTHORITY

# Polls a condition every 0.1 s, for at most 60 s (a loaded machine can take seconds).
wait_for() {
  for _ in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

trayer --edge top --align right --widthtype request --height 28 --SetDockType true --transparent false \
  --tint 0x303030 --expand true &
pids+=($!)
# trayer's visible bar is its window of class name "panel".
wait_for xdotool search --classname '^panel$' || { echo "FAIL: trayer did not appear"; exit 1; }
tray=$(xdotool search --classname '^panel$')
tray=${tray%%$'\n'*}

started=$(date +%s%N)
"$rimglider" > "$work/rimglider.log" 2>&1 &
rimglider_pid=$!
pids+=($rimglider_pid)

# The tray grows from nothing to the icon's width once the icon has docked, and the icon's
# window inside it is shown.
tray_width() { xwininfo -id "$tray" | awk '/Width:/ {print $2}'; }
icon_shown() {
  local w
  for w in $(xwininfo -tree -id "$tray" | awk '/^ +0x/ {print $1}'); do
    [[ "$(xwininfo -id "$w")" == *"Map State: IsViewable"* ]] && return 0
  done
  return 1
}
docked() { [ "$(tray_width)" -ge 16 ] && icon_shown; }
wait_for docked || { echo "FAIL: the icon never docked"; cat "$work/rimglider.log"; exit 1; }
echo "tray icon docked $(( ($(date +%s%N) - started) / 1000000 )) ms after the start (0.1 s polling)"

# The embedding may still be settling when the icon shows: a click that finds no taker is
# repeated once the previous one has had its time, at most five times.
eval "$(xdotool getwindowgeometry --shell "$tray")"
panel_open() { xdotool search --onlyvisible --name '^Rimglider panel$'; }
opened=no
for attempt in 1 2 3 4 5; do
  xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
  for _ in $(seq 50); do panel_open >/dev/null 2>&1 && { opened=yes; break; }; sleep 0.1; done
  [ "$opened" = yes ] && break
  echo "no panel after click $attempt"
done
[ "$opened" = yes ] || { echo "FAIL: the panel did not open"; cat "$work/rimglider.log"; exit 1; }
panel=$(panel_open)
panel=${panel%%$'\n'*}
eval "$(xdotool getwindowgeometry --shell "$panel")"
echo "panel at ${X},${Y} size ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -ge 320 ] && [ "$HEIGHT" -ge 300 ] || { echo "FAIL: the panel is ${WIDTH}x${HEIGHT}"; exit 1; }
[ $((X + WIDTH)) -le 1280 ] && [ $((Y + HEIGHT)) -le 800 ] || { echo "FAIL: the panel leaves the screen"; exit 1; }

# The shot is taken once the panel has finished painting: two grabs in a row hold the same pixels.
grab() { import -window root -depth 8 "rgb:$1"; }
grab "$work/previous.rgb"
settled() {
  grab "$work/current.rgb"
  cmp -s "$work/previous.rgb" "$work/current.rgb" && return 0
  mv "$work/current.rgb" "$work/previous.rgb"
  return 1
}
wait_for settled || { echo "FAIL: the screen never settled"; exit 1; }
import -window root "$output"
echo "screenshot: $output"

kill -TERM "$rimglider_pid"
status=0
wait "$rimglider_pid" || status=$?
[ "$status" -eq 0 ] || { echo "FAIL: rimglider ended with $status on SIGTERM"; cat "$work/rimglider.log"; exit 1; }
echo "PASS"

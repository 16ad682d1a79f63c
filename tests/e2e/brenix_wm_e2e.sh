#!/usr/bin/env bash
# brenix under a real EWMH window manager (Openbox) on a private Xvfb, and on Wayland
# (Weston's headless back end): window class, task-bar state, the dialog above another
# window that is activated and raised, the boxes of Apply above the dialog, and the
# window manager's close button.
#   SCREENSHOT=<file.png>: also saves the screen with a box above the dialog.
source "$(dirname "$0")/lib.sh"

ini="$SANDBOX/Lumiq/Corvane.ini"
mkdir -p "$(dirname "$ini")"
write_registry "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]
\"corvane.ini\"=\"$ini\"
"
printf '[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20.5\r\nHopFrequency=1250.5\r\n' > "$ini"

hex() { printf '0x%x' "$1"; }
# stacking_position <window id>: its place in the window manager's stacking order, bottom
# first; -1 when the window manager does not list it.
stacking_position() {
  local list i=0 id
  list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
  for id in $list; do
    [ "$((id))" -eq "$1" ] && { echo "$i"; return; }
    i=$((i + 1))
  done
  echo -1
}
expect_above() {  # expect_above <what> <upper id> <lower id>
  local upper lower
  upper=$(stacking_position "$2")
  lower=$(stacking_position "$3")
  [ "$lower" -ge 0 ] && [ "$upper" -gt "$lower" ] ||
    fail "$1: stacking $(xprop -root _NET_CLIENT_LIST_STACKING), upper $(hex "$2"), lower $(hex "$3")"
}

start_xvfb
start_bus
openbox --sm-disable >/dev/null 2>&1 &
STARTED_PIDS+=($!)
wait_until 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
  fail "Openbox did not start"

"$BIN_DIR/brenix" 2>"$SANDBOX/brenix.err" &
pid=$!
dialog=$(wait_for_window "Attenuation & Frequency Brenix")
expect_eq "window class" "$(xprop -id "$dialog" WM_CLASS)" 'WM_CLASS(STRING) = "brenix", "brenix"'
wait_until 5 sh -c "xprop -id $dialog _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR" ||
  fail "not left off the task bar: $(xprop -id "$dialog" _NET_WM_STATE)"
state=$(xprop -id "$dialog" _NET_WM_STATE)
expect_contains "pager state" "$state" "_NET_WM_STATE_SKIP_PAGER"
expect_contains "above state" "$state" "_NET_WM_STATE_ABOVE"

# Another window, activated and raised, stays beneath the dialog.
xmessage -name other -title "Another window" "another program" 2>/dev/null &
STARTED_PIDS+=($!)
other=$(wait_for_window "Another window")
xdotool windowactivate --sync "$other"
xdotool windowraise "$other"
sleep 0.3
expect_above "dialog above an activated, raised window" "$dialog" "$other"

# Apply with no spectrometer application on the bus: its box is owned by the dialog
# and stacked above it, not beneath.
xdotool windowactivate --sync "$dialog"
xdotool key alt+a
box=$(wait_for_window "Pellix Attenuation & Frequency Brenix")
expect_contains "box owner" "$(xprop -id "$box" WM_TRANSIENT_FOR)" "$(hex "$dialog")"
sleep 0.3
expect_above "box above the dialog" "$box" "$dialog"
if [ -n "${SCREENSHOT:-}" ]; then import -window root "$SCREENSHOT"; fi
written=$(md5sum < "$ini")
xdotool windowactivate --sync "$box"
xdotool key Return
wait_until 5 sh -c "! xdotool search --onlyvisible --name '^Pellix Attenuation & Frequency Brenix\$' >/dev/null" ||
  fail "the box did not close"

# The window manager's close button (WM_DELETE_WINDOW) ends brenix with status 0 and
# writes nothing.
wmctrl -c "Attenuation & Frequency Brenix"
wait_for_exit "$pid"
expect_eq "exit status after the close button" "$EXIT_STATUS" 0
expect_eq "Corvane.ini after the close button" "$(md5sum < "$ini")" "$written"
expect_eq "standard error under X11" "$(cat "$SANDBOX/brenix.err")" ""

# Wayland without an X server: brenix runs, says once that it cannot stay on top, and
# shows nothing else on standard error; lectavo's failure box appears there too (it
# waits for the user instead of writing its text to standard error).
unset DISPLAY
weston --backend=headless-backend.so --socket=wayland-vexon --idle-time=0 >"$SANDBOX/weston.log" 2>&1 &
STARTED_PIDS+=($!)
wait_until 10 test -S "$XDG_RUNTIME_DIR/wayland-vexon" || fail "Weston did not start"
export WAYLAND_DISPLAY=wayland-vexon
"$BIN_DIR/brenix" 2>"$SANDBOX/brenix.err" &
pid=$!
STARTED_PIDS+=($pid)
sleep 2
kill -0 "$pid" 2>/dev/null || fail "brenix ended on Wayland: $(cat "$SANDBOX/brenix.err")"
expect_eq "standard error on Wayland" "$(cat "$SANDBOX/brenix.err")" \
  "brenix: no X server, so the dialog runs on Wayland, where it cannot stay above other windows"
write_registry ""
"$BIN_DIR/lectavo" 2>"$SANDBOX/lectavo.err" &
pid=$!
STARTED_PIDS+=($pid)
sleep 2
kill -0 "$pid" 2>/dev/null || fail "lectavo showed no box on Wayland: $(cat "$SANDBOX/lectavo.err")"
expect_eq "lectavo's standard error on Wayland" "$(cat "$SANDBOX/lectavo.err")" ""
echo "brenix under a window manager and on Wayland: passed"

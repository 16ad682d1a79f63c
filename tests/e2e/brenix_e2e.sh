#!/usr/bin/env bash
# brenix on a real X server: the window's properties, Apply by its access key, Esc,
# the run-time error report, and no display at all.
source "$(dirname "$0")/lib.sh"

ini="$SANDBOX/Lumiq/Corvane.ini"
mkdir -p "$(dirname "$ini")"
write_registry "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]
\"corvane.ini\"=\"$ini\"
"
original=$'[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20.50\r\nHopFrequency=1250.5\r\n'
printf '%s' "$original" > "$ini"

# Without a display the program says so and ends.
status=0
err=$("$BIN_DIR/brenix" 2>&1 >/dev/null) || status=$?
expect_eq "exit status without a display" "$status" 1
expect_contains "message without a display" "$err" "no display could be opened"

start_xvfb
start_bus
"$BIN_DIR/vexon-sim" > "$SANDBOX/sim.log" &
sim=$!
STARTED_PIDS+=($sim)
wait_until 5 grep -q ready "$SANDBOX/sim.log" || fail "vexon-sim did not start"

# The dialog: topmost utility window of fixed size, placed by the window system.
"$BIN_DIR/brenix" 2>"$SANDBOX/brenix.err" &
pid=$!
wid=$(wait_for_window "Attenuation & Frequency Brenix")
expect_contains "window state" "$(xprop -id "$wid" _NET_WM_STATE)" "_NET_WM_STATE_ABOVE"
expect_contains "window type" "$(xprop -id "$wid" _NET_WM_WINDOW_TYPE)" "_NET_WM_WINDOW_TYPE_UTILITY"
hints=$(xprop -id "$wid" WM_NORMAL_HINTS)
expect_contains "size hints" "$hints" "program specified minimum size: 323 by 222"
expect_contains "size hints" "$hints" "program specified maximum size: 323 by 222"
[[ "$hints" == *"specified location"* ]] && fail "the window asks for a position of its own: $hints"
expect_contains "icon" "$(xprop -id "$wid" _NET_WM_ICON | head -c 200)" "_NET_WM_ICON(CARDINAL)"

# Alt+A writes the boxes as shown, each with its leading blank, then resets the spectrometer.
xdotool windowfocus --sync "$wid"
xdotool key alt+a
expected=$'[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator= 10\r\nAttenuator2= 20.5\r\nHopFrequency= 1250.5\r\n'
printf '%s' "$expected" > "$SANDBOX/expected.ini"
wait_until 5 cmp -s "$ini" "$SANDBOX/expected.ini" || fail "Apply wrote: $(cat -A "$ini")"
wait_until 5 grep -q "Invoke dispid=45 from .*: reset" "$SANDBOX/sim.log" || fail "no reset: $(cat "$SANDBOX/sim.log")"

# With the spectrometer gone, Apply explains the failed reset and the dialog stays open.
kill "$sim"
wait "$sim" || true
xdotool windowfocus --sync "$wid"
xdotool key alt+a
press_in_window "Pellix Attenuation & Frequency Brenix" Return
wait_until 5 sh -c "! xdotool search --onlyvisible --name '^Pellix Attenuation & Frequency Brenix\$' >/dev/null" ||
  fail "the reset message did not close"
kill -0 "$pid" 2>/dev/null || fail "the program ended after a failed reset"
xdotool windowfocus --sync "$wid"

# Esc ends the program with status 0, writing nothing more.
printf '%s' "$original" > "$ini"
xdotool key Escape
wait_for_exit "$pid"
expect_eq "exit status after Esc" "$EXIT_STATUS" 0
cmp -s "$ini" <(printf '%s' "$original") || fail "Esc wrote to the file"

# A missing entry: the run-time error report instead of the dialog, then a non-zero end.
broken=$'[DDSB_1]\r\nAttenuator=10\r\nHopFrequency=1250.5\r\n'
printf '%s' "$broken" > "$ini"
"$BIN_DIR/brenix" 2>/dev/null &
pid=$!
box=$(wait_for_window "Pellix Attenuation & Freq Brenix")
[ -z "$(xdotool search --onlyvisible --name '^Attenuation & Frequency Brenix$' 2>/dev/null)" ] ||
  fail "the dialog was shown although loading failed"
xdotool windowfocus --sync "$box"
xdotool key Return
wait_for_exit "$pid"
[ "$EXIT_STATUS" -ne 0 ] || fail "exit status after the run-time error report was 0"
cmp -s "$ini" <(printf '%s' "$broken") || fail "the failed load wrote to the file"
echo "brenix end-to-end: passed"

#!/usr/bin/env bash
# lectavo as a user runs it: the manual opened through xdg-open with no display needed,
# and the failure box, on standard error without a display and as a window on one.
source "$(dirname "$0")/lib.sh"

lumiq="$SANDBOX/Program Files/Lumiq"
mkdir -p "$lumiq/man"
printf '%%PDF-1.4\n' > "$lumiq/man/HarvaneManual.pdf"
record_xdg_open "$SANDBOX/opened"
write_registry "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]
\"setup\"=\"${lumiq//\//\\\\}\\\\setup\"
"

# Success: no window, status 0, the script in place and the manual handed to xdg-open,
# and not one Qt library loaded on the way (the dynamic loader lists what it maps).
status=0
LD_DEBUG=files LD_DEBUG_OUTPUT="$SANDBOX/loaded" "$BIN_DIR/lectavo" 2>"$SANDBOX/err" || status=$?
expect_eq "exit status" "$status" 0
expect_eq "standard error" "$(cat "$SANDBOX/err")" ""
lectavo_loaded=$(grep -l "file=.*lectavo" "$SANDBOX"/loaded.* | head -1)
[ -n "$lectavo_loaded" ] || fail "the loader's record of lectavo is missing"
expect_eq "Qt libraries loaded by the success path" "$(grep -c 'file=libQt6' "$lectavo_loaded" || true)" 0
wait_until 5 test -s "$SANDBOX/opened" || fail "xdg-open was not called"
expect_eq "document opened" "$(cat "$SANDBOX/opened")" "$lumiq/man/HarvaneManual.pdf"
script_path_text="${lumiq//\//\\}\\man\\HarvaneManual.pdf"
expected=$(printf 'rem @echo off\r\n%s\r\n' "$script_path_text" | od -c)
expect_eq "script bytes" "$(od -c < "$lumiq/man/StartManual.cmd")" "$expected"

# Failure without a display: the box's text on standard error and nothing else (none of
# Qt's notes), then a non-zero status.
rm "$lumiq/man/HarvaneManual.pdf"
status=0
err=$(env -u XDG_RUNTIME_DIR "$BIN_DIR/lectavo" 2>&1) || status=$?
expect_eq "exit status after a failure" "$status" 1
expect_eq "failure message" "$err" "Quorvel: Error locating manual.  Please make sure that the 'HarvaneManual.pdf' file is located in the 'Lumiq\\man\\' directory."

# Failure on a display: a modal box titled with the program's name.
start_xvfb
"$BIN_DIR/lectavo" 2>/dev/null &
pid=$!
press_in_window "Quorvel" Return
wait_for_exit "$pid"
expect_eq "exit status after the box" "$EXIT_STATUS" 1
echo "lectavo end-to-end: passed"

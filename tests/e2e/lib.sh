# Helpers for the end-to-end tests: a private sandbox home, a private Xvfb and a private
# D-Bus session bus, all torn down when the test ends. Source it, then call what you need.
set -euo pipefail

BIN_DIR=${1:?usage: $0 <folder of the built programs>}
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/private-session.sh"
SANDBOX=$(mktemp -d "${TMPDIR:-/tmp}/vexon-e2e-XXXXXX")
STARTED_PIDS=()

cleanup() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  stop_private_session
  chmod -R u+rwX "$SANDBOX" 2>/dev/null || true
  rm -rf "$SANDBOX"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

expect_eq() {  # expect_eq <what> <actual> <expected>
  [ "$2" == "$3" ] || fail "$1: got [$2], expected [$3]"
}

expect_contains() {  # expect_contains <what> <text> <part>
  [[ "$2" == *"$3"* ]] || fail "$1: [$2] does not contain [$3]"
}

export HOME="$SANDBOX/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_RUNTIME_DIR="$SANDBOX/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS

# write_registry <body>: the registry store, behind its header.
write_registry() {
  mkdir -p "$XDG_CONFIG_HOME/winreg"
  printf 'REGEDIT4\r\n\r\n%s' "$1" > "$XDG_CONFIG_HOME/winreg/registry.reg"
}

start_xvfb() { start_private_xvfb "$SANDBOX" || fail "Xvfb did not start"; }
start_bus() { start_private_bus || fail "dbus-daemon did not start"; }

# wait_for_window <exact title>: prints the window id of the first visible match.
wait_for_window() {
  local ids
  ids=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null) ||
    fail "no window titled '$1' appeared"
  echo "${ids%%$'\n'*}"
}

# press_in_window <exact title> <key>: focuses the window and presses the key.
press_in_window() {
  local window
  window=$(wait_for_window "$1")
  xdotool windowfocus --sync "$window"
  xdotool key "$2"
}

# record_xdg_open <record file>: an xdg-open first on PATH that appends its arguments,
# one call a line, to the record file.
record_xdg_open() {
  mkdir -p "$SANDBOX/shim"
  printf '#!/bin/sh\necho "$*" >> "%s"\n' "$1" > "$SANDBOX/shim/xdg-open"
  chmod +x "$SANDBOX/shim/xdg-open"
  export PATH="$SANDBOX/shim:$PATH"
}

# wait_for_exit <pid>: waits at most 20 s and sets EXIT_STATUS. It must run in the shell
# that started the process (not in a $(...) subshell), or `wait` cannot see it.
wait_for_exit() {
  local i
  for i in $(seq 200); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$1" 2>/dev/null && fail "process $1 did not end"
  EXIT_STATUS=0
  wait "$1" || EXIT_STATUS=$?
}

# wait_until <seconds> <command...>: polls until the command succeeds.
wait_until() {
  local limit=$(( $1 * 10 )) i
  shift
  for i in $(seq "$limit"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

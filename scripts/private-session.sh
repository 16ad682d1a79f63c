# Private X server and D-Bus session bus for the tests, the demo and the benchmark.
# Source it; each function records the process it starts in the array SESSION_PIDS,
# which the caller ends when it is done.

SESSION_PIDS=()

# start_private_xvfb <folder for its ready file> [WxHxD]: sets DISPLAY, or returns 1.
start_private_xvfb() {
  local ready="$1/xvfb-display" i
  : > "$ready"
  Xvfb -displayfd 3 -screen 0 "${2:-800x600x24}" -nolisten tcp 3>"$ready" 2>/dev/null &
  SESSION_PIDS+=($!)
  for i in $(seq 100); do
    [ -s "$ready" ] && break
    sleep 0.1
  done
  [ -s "$ready" ] || return 1
  export DISPLAY=":$(tr -d '\n' < "$ready")"
}

# start_private_bus: sets DBUS_SESSION_BUS_ADDRESS to a new session bus.
start_private_bus() {
  local out
  out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null) || return 1
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<< "$out")
  SESSION_PIDS+=("$(sed -n 2p <<< "$out")")
}

stop_private_session() {
  local pid
  for pid in "${SESSION_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
}

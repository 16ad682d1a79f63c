#!/usr/bin/env bash
# Start-up benchmark: lectavo's success path (registry lookup, script, launch) side by
# side with its floor, a small C program that writes the same script atomically and
# starts a program detached (time and peak memory, alternating runs); and how long
# brenix takes from start until its dialog is mapped on a private Xvfb. Prints the
# median and the spread of N runs.
#   bench/startup.sh [runs]        (needs a build in build/ or $BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-30}
bin="$(pwd)/${BUILD_DIR:-build}/bin"
work=$(mktemp -d)
source scripts/private-session.sh
trap 'stop_private_session; rm -rf "$work"' EXIT

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$work/Lumiq/man" "$XDG_CONFIG_HOME/winreg" "$XDG_RUNTIME_DIR" "$work/shim"
chmod 700 "$XDG_RUNTIME_DIR"
cp packaging/demo/Corvane.ini "$work/Lumiq/"
cp packaging/demo/HarvaneManual.pdf "$work/Lumiq/man/"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n"corvane.ini"="%s"\n"setup"="%s"\n' \
  "$work/Lumiq/Corvane.ini" "$work/Lumiq/setup" > "$XDG_CONFIG_HOME/winreg/registry.reg"
printf '#!/bin/sh\nexit 0\n' > "$work/shim/xdg-open"
chmod +x "$work/shim/xdg-open"

now() { date +%s%N; }
summary() {  # milliseconds, one per line, on standard input
  sort -n | awk '{ v[NR] = $1 } END { printf "median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n", v[int((NR + 1) / 2)], v[1], v[NR], NR }'
}

cc -O2 -o "$work/open_manual" bench/floors/open_manual.c
cc -O2 -o "$work/measure" bench/floors/measure.c
mkdir -p "$work/floor"
env -u DISPLAY PATH="$work/shim:$PATH" bench/side_by_side.py "$work/measure" "$runs" \
  "lectavo=$bin/lectavo" "C floor=$work/open_manual $work/floor /bin/true"

start_private_xvfb "$work" 640x480x24
for _ in $(seq "$(( runs < 10 ? runs : 10 ))"); do
  start=$(now)
  "$bin/brenix" 2>/dev/null &
  pid=$!
  # xdotool's own --sync polls only twice a second; a tight loop sees the window sooner.
  until xdotool search --onlyvisible --name '^Attenuation & Frequency Brenix$' >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.005
  done
  echo "$(( $(now) - start ))" | awk '{ print $1 / 1e6 }'
  kill "$pid"
  wait "$pid" 2>/dev/null || true
done | { printf 'brenix, start to dialog shown: '; summary; }

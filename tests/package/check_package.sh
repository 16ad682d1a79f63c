#!/usr/bin/env bash
# The Debian package as a packager and a user meet it: lintian, the metadata validators,
# then installed with apt-get, both programs run from their installed paths (brenix's
# dialog on a private Xvfb; lectavo opening a sandbox manual through a recording
# xdg-open), and removed again, leaving nothing behind. Installs into the system: run it
# as root on a machine made for it (CI), not on a workstation.
#   tests/package/check_package.sh <package.deb>
set -euo pipefail
deb=$(realpath "${1:?usage: $0 <package.deb>}")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/lib.sh" /usr/bin

lintian --fail-on error,warning "$deb"
desktop-file-validate "$here/../../packaging/brenix.desktop" "$here/../../packaging/lectavo.desktop"
appstreamcli validate --no-net "$here/../../packaging/org.vexon_utilities.brenix.metainfo.xml"

dpkg-query -W vexon-utilities >/dev/null 2>&1 && fail "vexon-utilities is installed already"
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" >"$SANDBOX/apt.log" 2>&1 ||
  { cat "$SANDBOX/apt.log"; fail "apt-get install failed"; }
mapfile -t installed < <(dpkg-query -L vexon-utilities)
remove_package() { apt-get purge -y -q vexon-utilities >/dev/null 2>&1 || true; }
trap 'remove_package; cleanup' EXIT

expect_eq "brenix installed" "$(command -v brenix)" /usr/bin/brenix
[ -x /usr/libexec/vexon-utilities/wincmd ] || fail "wincmd is not in libexec"
command -v wincmd >/dev/null && fail "wincmd is on PATH"
command -v vexon-sim >/dev/null && fail "vexon-sim was installed"

# lectavo from /usr/bin finds its interpreter in /usr/libexec and opens the manual.
lumiq="$SANDBOX/Lumiq"
mkdir -p "$lumiq/man"
printf '%%PDF-1.4\n' > "$lumiq/man/HarvaneManual.pdf"
record_xdg_open "$SANDBOX/opened"
cp "$here/../../packaging/demo/Corvane.ini" "$lumiq/Corvane.ini"
write_registry "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]
\"setup\"=\"$lumiq/setup\"
\"corvane.ini\"=\"$lumiq/Corvane.ini\"
"
lectavo
wait_until 5 test -s "$SANDBOX/opened" || fail "the installed lectavo opened nothing"
expect_eq "document opened" "$(cat "$SANDBOX/opened")" "$lumiq/man/HarvaneManual.pdf"

# brenix from /usr/bin shows its dialog and ends on Esc, writing nothing.
start_xvfb
start_bus
before=$(md5sum < "$lumiq/Corvane.ini")
brenix 2>"$SANDBOX/brenix.err" &
pid=$!
press_in_window "Attenuation & Frequency Brenix" Escape
wait_for_exit "$pid"
expect_eq "brenix exit status" "$EXIT_STATUS" 0
expect_eq "Corvane.ini after Esc" "$(md5sum < "$lumiq/Corvane.ini")" "$before"

# Removed, nothing of it is left.
apt-get purge -y -q vexon-utilities >"$SANDBOX/apt.log" 2>&1 || { cat "$SANDBOX/apt.log"; fail "apt-get purge failed"; }
left=()
for path in "${installed[@]}"; do
  if [ -f "$path" ] || [ -L "$path" ]; then left+=("$path"); fi
done
for folder in /usr/libexec/vexon-utilities /usr/lib/*/vexon-utilities /usr/share/doc/vexon-utilities; do
  [ -e "$folder" ] && left+=("$folder")
done
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
echo "package check: passed ($(basename "$deb"))"

#!/usr/bin/env bash
# with_xvfb.sh COMMAND...: runs COMMAND with DISPLAY on a private Xvfb, then stops it.
set -euo pipefail
source "$(dirname "$0")/../../scripts/private-session.sh"
folder=$(mktemp -d)
trap 'stop_private_session; rm -rf "$folder"' EXIT
start_private_xvfb "$folder" || { echo "Xvfb did not start" >&2; exit 1; }
"$@"

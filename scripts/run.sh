#!/usr/bin/env bash
# Starts the station from the repository root, where its manual (help/) is found.
# Without a display (a bare shell or CI) it runs on a virtual X server instead.
set -euo pipefail
build=${1:-build}
shift || true
cd "$(dirname "$0")/.."
station="$build/src/shell/gui/rv720-station"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  echo "No display: running the station on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$station" "$@"
fi
exec "$station" "$@"

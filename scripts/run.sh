#!/usr/bin/env bash
# Starts the station from the repository root, where its manual (help/) is found.
# Without a --device of its own it talks to the built-in controller twin, so a
# program can be written, read back, run and stopped without hardware.
# Without a display (a bare shell or CI) it runs on a virtual X server instead.
#   scripts/run.sh [BUILD_DIR] [station options, e.g. --device /dev/ttyUSB0]
set -euo pipefail
build=${1:-build}
shift || true
cd "$(dirname "$0")/.."
station="$build/src/shell/gui/rv720-station"
args=("$@")
case " ${args[*]:-} " in
  *" --device"*) ;;
  *) args=(--device simulator "${args[@]}") ;;
esac
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
  echo "No display: running the station on a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$station" "${args[@]}"
fi
exec "$station" "${args[@]}"

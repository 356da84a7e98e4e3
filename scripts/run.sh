#!/usr/bin/env bash
# Starts the program's main job from the repository root.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
exec "$build/src/cli/rv720" list examples/demo.pri --columns 4

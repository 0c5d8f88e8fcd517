#!/usr/bin/env bash
# Runs the host with the plug-in; without a display it writes a screenshot instead.
set -euo pipefail
cd "$(dirname "$0")/.."
host=build/bin/opercheck-host
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$host" "$@"
fi
mkdir -p build/demo
QT_QPA_PLATFORM=offscreen "$host" --screenshot build/demo/opercheck-demo.png "$@"

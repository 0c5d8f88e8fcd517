#!/usr/bin/env bash
# Runs the host with the plug-in and its built-in server. With a display it opens
# the window; without one it writes a screenshot of the window showing a demo
# route and prints the file's path. Extra arguments go to the host
# (--server HOST:PORT [--token T] for a separate server, --db PATH for the built-in one).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OC_BUILD_DIR:-build}
host=$build/bin/opercheck-host
if [ ! -x "$host" ]; then
    echo "demo: $host is not built; run make build first" >&2
    exit 1
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$host" "$@"
fi
mkdir -p "$build/demo"
# The built-in server gets a fast clock: the picture shows its units some way along.
pace=(--speed 120)
for argument in "$@"; do
    case $argument in --server*|--speed*|--no-simulate) pace=() ;; esac
done
QT_QPA_PLATFORM=offscreen "$host" --screenshot "$build/demo/opercheck-demo.png" "${pace[@]}" "$@"

#!/usr/bin/env bash
# Runs a command inside a private virtual X server and a D-Bus session. Xvfb picks a free
# display itself (-displayfd) and reports it only once it accepts clients, so parallel or
# back-to-back runs never race for a display number.
set -euo pipefail

work=$(mktemp -d)
trap 'kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT

Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not come up" >&2; exit 1; }

DISPLAY=":$(cat "$work/display")" dbus-run-session -- "$@"

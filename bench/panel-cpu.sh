#!/usr/bin/env bash
# CPU and memory of the control panel while it polls a virtual sensor: starts `spectrel
# --simulate` offscreen, lets it reach the ready state, then measures over a window of
# SECONDS (default 30) with the sensor polled every 300 ms. Prints the CPU in percent of one
# core and the resident memory. Usage: bench/panel-cpu.sh path/to/spectrel [SECONDS]
set -euo pipefail

program=$1
seconds=${2:-30}
settle=5

work=$(mktemp -d)
mkdir -m 700 "$work/runtime"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    "$program" --simulate &
pid=$!
trap 'kill -TERM "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# utime + stime, fields 14 and 15 of /proc/<pid>/stat, in clock ticks.
ticks() { awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$pid/stat"; }

sleep "$settle"
start_ticks=$(ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(ticks)
end_ns=$(date +%s%N)

hz=$(getconf CLK_TCK)
awk -v t="$((end_ticks - start_ticks))" -v hz="$hz" -v ns="$((end_ns - start_ns))" \
    'BEGIN { printf "spectrel --simulate polling every 300 ms: CPU %.2f %% of one core over %.1f s; goal below 1 %%\n", 100 * t / hz / (ns / 1e9), ns / 1e9 }'
grep -E '^(VmRSS|VmHWM)' "/proc/$pid/status"

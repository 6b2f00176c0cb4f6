#!/usr/bin/env bash
# CPU of the real program (share of one core over 30 s) with every simulated product attached
# and the keyboard page shown, the keyboard previewing its default effect (wave).
# Usage: bench/program/lighting_cpu.sh [build-dir] [seconds]   (default: build, 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${2:-30}
source bench/program/session.sh lighting "${1:-build}"

cpu() {
  local before after
  before=$(session_ticks); sleep "$seconds"; after=$(session_ticks)
  awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%s: %.2f %% of one core over %d s\n", what, 100 * t / hz / s, s }'
}

session_display -extension GLX
session_folders
session_devsim
session_program
sleep 2
session_window
xdotool mousemove $((X + 254 * 3 / 2)) $((Y + 76 * 3 / 2)) click 1   # the keyboard's tab
sleep 0.7
cpu "keyboard previewing its wave"

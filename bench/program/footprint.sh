#!/usr/bin/env bash
# What the program costs when nobody looks at it, measured the way a user runs it (GTK on X11,
# GLX present): start to the first painted window, resident size with every page built, idle
# CPU with the six simulated products attached (window shown, then hidden to the tray) and with
# no device, and per thread where the idle time goes (perf's task clock of each thread where
# perf may watch the program, else the ticks of /proc/PID/task/*/stat, 10 ms each).
# Usage: bench/program/footprint.sh [build-dir] [seconds]   (default: build, 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${2:-60}
source bench/program/session.sh footprint "${1:-build}"
hz=$(getconf CLK_TCK)

# With the products, also until the four device tabs were added.
ready() {
  session_window_shown &&
  { [ "$products" != all ] || [ "$(grep -c "添加一个" "$work/kx58.log")" -ge 4 ]; }
}
threads() {  # "tid<TAB>name<TAB>ticks" of every thread of the program
  local task
  for task in /proc/$program/task/*; do
    { printf '%s\t%s\t' "${task##*/}" "$(cat "$task/comm")"; sed 's/.*) //' "$task/stat" | awk '{print $12 + $13}'; } 2>/dev/null || true
  done
}
# perf's task clock is exact where the kernel lets perf watch the program.
perf_watches() { command -v perf > /dev/null && perf stat -e task-clock -p "$program" -- true > /dev/null 2>&1; }
idle_by_perf() {  # what, from perf's per-thread task clock
  perf stat --per-thread -e task-clock -x, -o "$work/perf.csv" -p "$program" -- sleep "$seconds" > /dev/null 2>&1
  awk -F, -v s="$seconds" -v what="$1" '$4 == "task-clock" && $2 ~ /^[0-9.]+$/ {
      name = $1; sub(/-[0-9]+$/, "", name); use[name] += $2; n[name]++; total += $2 }
    END { printf "idle CPU, %s: %.2f %% of one core over %d s\n", what, total / 10 / s, s
          fflush()
          for (k in use) printf "  %6.3f %%  %s (x%d)\n", use[k] / 10 / s, k, n[k] | "sort -g -r" }' "$work/perf.csv"
}
idle_by_ticks() {  # what, from the ticks of /proc
  local what=$1 before after
  threads > "$work/before"; before=$(session_ticks)
  sleep "$seconds"
  threads > "$work/after"; after=$(session_ticks)
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v what="$what" \
    'BEGIN { printf "idle CPU, %s: %.2f %% of one core over %d s\n", what, 100 * t / hz / s, s }'
  awk -F'\t' -v hz="$hz" -v s="$seconds" 'NR == FNR { seen[$1] = $3; next }
    { name = $2; sub(/ *$/, "", name); d = $3 - ($1 in seen ? seen[$1] : 0); use[name] += d; n[name]++ }
    END { for (k in use) printf "  %6.2f %%  %s (x%d)\n", 100 * use[k] / hz / s, k, n[k] }' \
    "$work/before" "$work/after" | sort -g -r
}
# The X server draws what an X11 window's paths and glyphs ask of it: the program's cost too.
display_ticks() { awk '{print $14 + $15}' "/proc/$display_server/stat"; }
idle() {
  local display_before
  display_before=$(display_ticks)
  if perf_watches; then idle_by_perf "$1"; else idle_by_ticks "$1"; fi
  awk -v t=$(($(display_ticks) - display_before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "  the X server meanwhile: %.2f %% of one core\n", 100 * t / hz / s }'
  kill -0 "$program" 2>/dev/null || { echo "the program ended during the measurement:"; tail -20 "$work/kx58.log"; exit 1; }
}
hide_to_tray() {
  session_window
  xdotool mousemove $((X + WIDTH - 28 * 3 / 2)) $((Y + 24 * 3 / 2)) click 1   # the caption's close: to the tray
  sleep 1
  xwininfo -id "$window" | grep -q IsUnMapped || { echo "note: the window did not hide"; tail -5 "$work/kx58.log"; }
}
measure() {
  session_folders
  export KX58_INPUT_DEVICES="$work/no-input"
  mkdir -p "$KX58_INPUT_DEVICES"
  if [ "$products" = all ]; then session_devsim; fi
  session_run "trayer-$products" trayer --edge top --align right --widthtype request --height 32 --expand false
  local tray=$!
  sleep 0.5
  session_program ready
  sed -n 's/^uikit: first paint, \([0-9]*\) ms after the start/start to the first painted window: \1 ms/p' "$work/kx58.log"
  sleep 3  # the first timers, read-backs and previews settle
  awk '/VmRSS/ {printf "resident size: %.1f MB\n", $2 / 1024}' "/proc/$program/status"
  # The audio capture program it keeps running, a process of its own.
  local capture
  capture=$(pgrep -f "^$bin/AudioRecord" | head -1 || true)
  [ -z "$capture" ] || awk '/VmRSS/ {printf "resident size of AudioRecord beside it: %.1f MB\n", $2 / 1024}' "/proc/$capture/status"
  if [ "$products" = all ]; then
    idle "six products, window shown"
    hide_to_tray
    idle "six products, hidden to the tray"
  else
    idle "no device, window shown"
  fi
  session_end_run
  kill "$tray" 2>/dev/null || true
  wait "$tray" 2>/dev/null || true
}

session_display
for products in all none; do measure; done

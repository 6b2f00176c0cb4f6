#!/usr/bin/env bash
# What the program costs when nobody looks at it, measured the way a user runs it (GTK on X11,
# GLX present): start to the first painted window, resident size with every page built, idle
# CPU with the six simulated products attached (window shown, then hidden to the tray) and with
# no device, and per thread where the idle ticks go (/proc/PID/task/*/stat).
# Usage: bench/program/footprint.sh [build-dir] [seconds]   (default: build, 60)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
seconds=${2:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/kx58-footprint-XXXXXX")
trap 'rm -rf "$work"' EXIT
cat > "$work/measure.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
bin=$1 work=$2 seconds=$3 products=$4
export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
rm -rf "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$work/vhid"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR" "$work/vhid"
export KX58_VHID_DIR="$work/vhid" KX58_HID=vhid KX58_TRACE=1 KX58_INPUT_DEVICES="$work/no-input"
mkdir -p "$KX58_INPUT_DEVICES"
devsim=
if [ "$products" = all ]; then
  "$bin/devsim" --dir "$KX58_VHID_DIR" --all < /dev/null > "$work/devsim.log" 2>&1 &
  devsim=$!
  for _ in $(seq 1 200); do [ "$(ls "$KX58_VHID_DIR"/*.sock 2>/dev/null | wc -l)" -ge 6 ] && break; sleep 0.05; done
fi
trayer --edge top --align right --widthtype request --height 32 --expand false > "$work/trayer.log" 2>&1 &
tray=$!
sleep 0.5
"$bin/kx58" > "$work/kx58.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; kill $devsim $tray 2>/dev/null || true; wait 2>/dev/null || true' EXIT
ready() {
  grep -q "main window: .* shown" "$work/kx58.log" &&
  { [ "$products" != all ] || [ "$(grep -c "添加一个" "$work/kx58.log")" -ge 4 ]; }
}
for _ in $(seq 1 600); do ready && break; sleep 0.05; done
ready || { echo "the window did not come up"; tail -30 "$work/kx58.log"; exit 1; }
sed -n 's/^uikit: first paint, \([0-9]*\) ms after the start/start to the first painted window: \1 ms/p' "$work/kx58.log"
sed -n 's/^main window: all pages built, \([0-9]*\) ms after the start/start to every page built: \1 ms/p' "$work/kx58.log"
sleep 3  # the first timers, read-backs and previews settle
awk '/VmRSS/ {printf "resident size: %.1f MB\n", $2 / 1024}' /proc/$pid/status
hz=$(getconf CLK_TCK)
threads() {  # "tid<TAB>name<TAB>ticks" of every thread of the program
  local task
  for task in /proc/$pid/task/*; do
    { printf '%s\t%s\t' "${task##*/}" "$(cat "$task/comm")"; sed 's/.*) //' "$task/stat" | awk '{print $12 + $13}'; } 2>/dev/null || true
  done
}
idle() {
  local what=$1 before after
  threads > "$work/before"; before=$(awk '{print $14 + $15}' /proc/$pid/stat)
  sleep "$seconds"
  threads > "$work/after"; after=$(awk '{print $14 + $15}' /proc/$pid/stat)
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v what="$what" \
    'BEGIN { printf "idle CPU, %s: %.2f %% of one core over %d s\n", what, 100 * t / hz / s, s }'
  awk -F'\t' -v hz="$hz" -v s="$seconds" 'NR == FNR { seen[$1] = $3; next }
    { name = $2; sub(/ *$/, "", name); d = $3 - ($1 in seen ? seen[$1] : 0); use[name] += d; n[name]++ }
    END { for (k in use) printf "  %6.2f %%  %s (x%d)\n", 100 * use[k] / hz / s, k, n[k] }' \
    "$work/before" "$work/after" | sort -g -r
}
if [ "$products" = all ]; then
  idle "six products, window shown"
  window=$(xdotool search --onlyvisible --name "KX58RGBVs Device" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH - 28 * 3 / 2)) $((Y + 24 * 3 / 2)) click 1   # the caption's close: to the tray
  sleep 1
  xwininfo -id "$window" | grep -q IsUnMapped || { echo "note: the window did not hide"; xwd -root -silent > "$work/hide.xwd"; convert "xwd:$work/hide.xwd" /tmp/hide.png; tail -5 "$work/kx58.log"; }
  idle "six products, hidden to the tray"
else
  idle "no device, window shown"
fi
INNER
chmod +x "$work/measure.sh"
for products in all none; do
  xvfb-run -a -s "-screen 0 1920x1080x24" "$work/measure.sh" "$PWD/$build/bin" "$work" "$seconds" "$products"
done

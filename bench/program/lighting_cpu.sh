#!/usr/bin/env bash
# CPU of the real program (share of one core over 30 s) with every simulated product attached
# and the keyboard page shown, the keyboard previewing its default effect (wave).
# Usage: bench/program/lighting_cpu.sh [build-dir] [seconds]   (default: build, 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
seconds=${2:-30}
work=$(mktemp -d "${TMPDIR:-/tmp}/kx58-lighting-XXXXXX")
trap 'rm -rf "$work"' EXIT
cat > "$work/measure.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
bin=$1 work=$2 seconds=$3
export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
export KX58_VHID_DIR="$work/vhid" KX58_HID=vhid KX58_TRACE=1
"$bin/devsim" --dir "$KX58_VHID_DIR" --all < /dev/null > "$work/devsim.log" 2>&1 &
devsim=$!
for _ in $(seq 1 100); do [ "$(ls "$KX58_VHID_DIR"/*.sock 2>/dev/null | wc -l)" -ge 6 ] && break; sleep 0.1; done
"$bin/kx58" > "$work/kx58.log" 2>&1 &
pid=$!
trap 'kill $pid $devsim 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 1 300); do grep -q "main window: .* shown" "$work/kx58.log" && break; sleep 0.1; done
sleep 2
window=$(xdotool search --onlyvisible --name "KX58RGBVs Device" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
at() { xdotool mousemove $((X + $1 * 3 / 2)) $((Y + $2 * 3 / 2)) click 1; sleep 0.7; }
cpu() {
  local before after
  before=$(awk '{print $14 + $15}' /proc/$pid/stat); sleep "$seconds"; after=$(awk '{print $14 + $15}' /proc/$pid/stat)
  awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v what="$1" \
    'BEGIN { printf "%s: %.2f %% of one core over %d s\n", what, 100 * t / hz / s, s }'
}
at 254 76                   # the keyboard's tab
cpu "keyboard previewing its wave"
INNER
chmod +x "$work/measure.sh"
xvfb-run -a -s "-screen 0 1920x1080x24 -extension GLX" "$work/measure.sh" "$PWD/$build/bin" "$work" "$seconds"

# The session the program benchmarks run the real program in; sourced by them from the source
# root. A private work folder (fresh XDG folders and virtual bus for each run), an X server of
# its own, the simulator with the six products, the program up to its shown main window, and
# one cleanup on exit that ends everything started here and removes the folder.
#   source bench/program/session.sh NAME [build-dir]   sets work, bin; build-dir: default build
session_build=${2:-build}
case $session_build in /*) ;; *) session_build=$PWD/$session_build ;; esac
bin=$session_build/bin
work=$(mktemp -d "${TMPDIR:-/tmp}/kx58-$1-XXXXXX")
session_started=()

# Programs the program started detached (the audio capture program) end after it, still
# writing to the session's folders: the work folder goes once they have.
session_helpers_gone() {
  local pid
  for pid in $(pgrep -f "^$bin/" || true); do
    grep -qszxF "XDG_RUNTIME_DIR=$work/run" "/proc/$pid/environ" && return 1
  done
  return 0
}

session_cleanup() {  # the last started first: the program before the simulator and the display
  local i
  for ((i = ${#session_started[@]} - 1; i >= 0; i--)); do kill "${session_started[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  session_until 200 session_helpers_gone || echo "note: a program started by kx58 is still running in $work"
  rm -rf "$work"
}
trap session_cleanup EXIT

# session_run NAME COMMAND...: in the background, output in "$work/NAME.log", ended on exit; $! is its pid.
session_run() {
  local name=$1
  shift
  "$@" < /dev/null > "$work/$name.log" 2>&1 &
  session_started+=($!)
}

# session_until TRIES COMMAND...: runs the command every 0.05 s until it succeeds, at most TRIES times.
session_until() {
  local tries=$1
  shift
  for _ in $(seq 1 "$tries"); do "$@" && return 0; sleep 0.05; done
  "$@"
}

# session_display [Xvfb options...]: an X server of its own (1920x1080) as DISPLAY; its pid in display_server.
session_display() {
  session_run xvfb Xvfb -displayfd 3 -nolisten tcp -screen 0 1920x1080x24 "$@" 3> "$work/display"
  display_server=$!
  session_until 200 test -s "$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
  export DISPLAY=":$(cat "$work/display")"
}

# session_folders: fresh XDG folders and an empty virtual bus, the program on that bus only.
session_folders() {
  export XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
  export KX58_VHID_DIR="$work/vhid" KX58_HID=vhid KX58_TRACE=1
  rm -rf "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$KX58_VHID_DIR"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR" "$KX58_VHID_DIR"
}

session_products_up() { [ "$(ls "$KX58_VHID_DIR"/*.sock 2>/dev/null | wc -l)" -ge 6 ]; }

# session_devsim: the simulator with the six products, once their interfaces are on the bus.
session_devsim() {
  session_run devsim "$bin/devsim" --dir "$KX58_VHID_DIR" --all
  devsim=$!
  session_until 200 session_products_up || { echo "the simulated products did not come up"; cat "$work/devsim.log"; exit 1; }
}

session_window_shown() { grep -q "main window: .* shown" "$work/kx58.log"; }

# session_program [READY]: the program, once its main window is shown (or READY, a command, holds).
session_program() {
  session_run kx58 "$bin/kx58"
  program=$!
  session_until 600 "${1:-session_window_shown}" || { echo "the window did not come up"; tail -30 "$work/kx58.log"; exit 1; }
}

# session_end_run: ends the program and the simulator of one run.
session_end_run() {
  kill "$program" ${devsim:+"$devsim"} 2>/dev/null || true
  wait "$program" ${devsim:+"$devsim"} 2>/dev/null || true
  devsim=
  session_until 200 session_helpers_gone || true
}

# session_window: window, X, Y, WIDTH and HEIGHT of the program's main window.
session_window() {
  window=$(xdotool search --onlyvisible --name "KX58RGBVs Device" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
}

# session_ticks: the CPU ticks (user and system) the program has used so far.
session_ticks() { awk '{print $14 + $15}' "/proc/$program/stat"; }

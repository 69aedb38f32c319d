# Sourced first by the end-to-end scripts that open windows: what they need, and an X
# display to run on. Sourced, not run (CTest takes every *.sh here as a test of its own),
# with the script's own arguments: BUILD_DIR first.

# The build's programs and its shipped level, by the names the scripts use.
build_dir=$(cd "${1:?build folder}" && pwd)
quellor=$build_dir/quellor
replay=$build_dir/quellor-replay
tool=$build_dir/quellor-level
probe=$build_dir/viewer_window_probe
level=$build_dir/3rooms.b2

# need_level FILE: skip the test when the build made no such level.
need_level() { [ -f "$1" ] || { echo "SKIP: $1 is not built"; exit 77; }; }
# need_built PROGRAM...: fail when a program of the build is missing.
need_built() {
  local program
  for program; do [ -x "$program" ] || { echo "FAIL: $program is not built"; exit 1; }; done
}
# need_commands COMMAND...: fail when a tool that tools/install-deps.sh installs is missing.
need_commands() {
  local command
  for command; do
    command -v "$command" > /dev/null || { echo "FAIL: $command missing (run tools/install-deps.sh)"; exit 1; }
  done
}

# on_x_display REPEAT_DELAY_MS SCRIPT_ARGS...: with no DISPLAY, runs the script again under
# its own Xvfb server (skipped when there is none). A random first display number keeps
# parallel runs from racing for the same server; -noreset, or the server resets whenever
# its last client leaves, between two runs, and refuses the next one meanwhile. Key repeats
# start only after the delay, longer than any key is held: a repeat that arrives in the same
# batch as the release would rightly keep the camera turning, and the release check would
# depend on timing. QUELLOR_E2E_OWN_SERVER tells the script run again that the server is
# its own.
on_x_display() {
  local delay=$1
  shift
  if [ -z "${DISPLAY:-}" ]; then
    command -v xvfb-run > /dev/null ||
      { echo "SKIP: no DISPLAY and no xvfb-run (tools/install-deps.sh installs xvfb)"; exit 77; }
    export QUELLOR_E2E_OWN_SERVER=1
    exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1280x1024x24 -noreset -ardelay $delay" \
      bash "$0" "$@"
  fi
  # Without a display SDL would quietly pick a driver that shows nothing.
  export SDL_VIDEODRIVER=x11
}

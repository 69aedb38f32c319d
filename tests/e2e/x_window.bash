# Shared by the end-to-end scripts that drive a program's window on a real X display:
# counted failures, and waiting for a window to show and for its program to end. Sourced,
# not run (CTest takes every *.sh here as a test of its own).

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# find_window PID SECONDS TITLE [xdotool search options...]: waits up to SECONDS for a
# window titled exactly TITLE and prints its id; fails at once if PID has ended.
find_window() {
  local pid=$1 limit=$2 title=$3 id=""
  shift 3
  for ((i = 0; i < limit * 10; i++)); do
    id=$(xdotool search "$@" --name "^$title\$" 2> /dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2> /dev/null || return 1
    sleep 0.1
  done
  return 1
}

# wait_exit PID SECONDS: waits for PID to end; sets exit_status (or "timeout", after
# which the process is killed). Not to be run in a subshell: only the shell that started
# the process can collect its status.
wait_exit() {
  local pid=$1 limit=$2
  exit_status=timeout
  for ((i = 0; i < limit * 10; i++)); do
    if ! kill -0 "$pid" 2> /dev/null; then
      wait "$pid"
      exit_status=$?
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2> /dev/null
  wait "$pid" 2> /dev/null
}

# Shared by the end-to-end scripts of quellor-level build --watch: a work folder that goes
# when the script ends, with the watcher if it still runs, and a failure that shows what
# the watcher said. Sourced, not run (CTest takes every *.sh here as a test of its own).
# Set before sourcing: BUILD_DIR, and name (the script's, for its messages).
tool="$BUILD_DIR/quellor-level"
work=$(mktemp -d)
watcher=""
cleanup() {
  if [ -n "$watcher" ]; then kill "$watcher" 2>/dev/null || true; wait "$watcher" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "$name: $*"; echo "--- watcher said:"; cat "$work/log" || true; exit 1; }

# Waits up to 10 s for the level file $1 to hold $2 rooms.
wait_rooms() {
  for _ in $(seq 100); do
    if "$tool" check "$1" 2>/dev/null | grep -q "valid level, $2 rooms"; then return 0; fi
    sleep 0.1
  done
  fail "$(basename "$1") never held $2 rooms"
}
